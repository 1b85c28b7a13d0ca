// Terminal input bytes, as xterm, tmux and the Linux console send them, and the key
// and mouse events they make: one row per kind of sequence.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/display/terminal/InputParser.h"

namespace {

using term::InputEvent;
using term::Key;

struct ParserRow {
  const char* name;
  const char* reads;   // what the reads of the terminal brought, "|" between two reads;
                       // a last "|": then nothing more came within the wait
  const char* events;  // as describe() writes them, "..." while bytes wait
};

std::string describe(const InputEvent& ev) {
  static const char* const kKeys[] = {
      "None", "",    "Enter",  "Tab",      "Backspace", "Escape", "Up",  "Down", "Left", "Right",
      "Home", "End", "PageUp", "PageDown", "Insert",    "Delete", "F1",  "F2",   "F3",   "F4",
      "F5",   "F6",  "F7",     "F8",       "F9",        "F10",    "F11", "F12"};
  std::string s = std::string(ev.ctrl ? "C-" : "") + (ev.alt ? "M-" : "") + (ev.shift ? "S-" : "");
  if (ev.type == InputEvent::KeyPress)
    return s + (ev.key == Key::Char ? (ev.ctrl ? std::string(1, ev.ch) : ev.text)
                                    : kKeys[static_cast<int>(ev.key)]);
  static const char* const kButtons[] = {"L", "M", "R", "wheel-up", "wheel-down"};
  const char* what = ev.motion ? (ev.press ? "-drag" : "move") : ev.press ? "-down" : "-up";
  if (ev.motion && !ev.press)
    s += what;
  else
    s += std::string(kButtons[ev.button]) + (ev.button > InputEvent::Right ? "" : what);
  return s + " " + std::to_string(ev.row) + "," + std::to_string(ev.col);
}

const ParserRow kParserRows[] = {
    {"PrintableAndControlKeys", "a\r\n\t\x7f\x08\x01 ",
     "a Enter Enter Tab Backspace Backspace C-a  "},
    {"CursorKeysCsiAndSs3", "\x1b[A\x1b[B\x1bOC\x1bOD\x1b[H\x1b[F", "Up Down Right Left Home End"},
    {"TildeKeys", "\x1b[1~\x1b[2~\x1b[3~\x1b[4~\x1b[5~\x1b[6~",
     "Home Insert Delete End PageUp PageDown"},
    {"FunctionKeys", "\x1bOP\x1bOQ\x1b[13~\x1b[14~\x1b[15~\x1b[20~\x1b[21~\x1b[24~",
     "F1 F2 F3 F4 F5 F9 F10 F12"},
    {"XtermModifiers", "\x1b[1;5C\x1b[1;2A\x1b[3;3~\x1b[1;3S\x1b[Z",
     "C-Right S-Up M-Delete M-F4 S-Tab"},
    {"EscapeThenKeyIsAlt", "\x1bx\x1b\x1b[A", "M-x Escape Up"},
    {"Utf8CharacterIsOneEvent", "\xc3\xbc\xe2\x82\xac", "\xc3\xbc \xe2\x82\xac"},
    {"Utf8CharacterInTwoReads", "\xe2\x82|\xac", "\xe2\x82\xac"},
    {"BytesThatMakeNoCharacterAreDropped", "\xffx\xc3y", "x y"},
    {"SgrMouseButtons", "\x1b[<0;10;5M\x1b[<0;10;5m\x1b[<2;1;1M\x1b[<20;3;2M",
     "L-down 4,9 L-up 4,9 R-down 0,0 C-S-L-down 1,2"},
    {"SgrMouseWheelAndMotion", "\x1b[<64;1;1M\x1b[<65;2;1M\x1b[<35;3;2M\x1b[<32;4;2M",
     "wheel-up 0,0 wheel-down 0,1 move 1,2 L-drag 1,3"},
    {"MouseNumbersAreBounded", "\x1b[<0;999999999;0M", "L-down 0,99998"},
    {"X10MouseReport", "\x1b[M *!\x1b[M#*!", "L-down 0,9 L-up 0,9"},
    {"SequenceInTwoReadsIsOneKey", "\x1b|[D", "Left"},
    {"LoneEscapeWaitsForMore", "\x1b", "..."},
    {"LoneEscapeAfterTheWait", "\x1b|", "Escape"},
    {"UnfinishedSequenceAfterTheWait", "\x1b[|", "Escape ["},
    {"UnknownSequencesAreDropped", "\x1b[9z\x1b[99~", ""},
    {"EndlessSequenceIsDropped", "\x1b[1111111111111111111111111111111111111111|x", "x"},
};

TEST(InputParser, BytesMakeTheseEvents) {
  for (const ParserRow& row : kParserRows) {
    SCOPED_TRACE(row.name);
    term::InputParser parser;
    std::string reads = row.reads, got;
    auto add = [&](const std::vector<InputEvent>& events) {
      for (const InputEvent& ev : events) got += (got.empty() ? "" : " ") + describe(ev);
    };
    for (size_t at = 0, bar; at <= reads.size(); at = bar + 1) {
      bar = std::min(reads.find('|', at), reads.size());
      if (at == reads.size() && at > 0)
        add(parser.flush());
      else
        add(parser.feed(reads.substr(at, bar - at)));
    }
    if (parser.waiting()) got += "...";
    EXPECT_EQ(got, row.events);
  }
}

}  // namespace
