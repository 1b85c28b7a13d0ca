// The memo control: a multi-line edit box whose Lines are a view of its text.
#include "framework/StdCtrls.h"

namespace {

// Pieces of the text at CR LF; a final empty piece (text ending in CR LF, or an
// empty text) is not a line.
std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    size_t p = text.find("\r\n", start);
    if (p == std::string::npos) break;
    lines.push_back(text.substr(start, p - start));
    start = p + 2;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string r;
  for (const std::string& s : lines) r += s + "\r\n";
  return r;
}

[[noreturn]] void IndexError(int index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

// ---- TMemoStrings ----

const std::vector<std::string>& TMemoStrings::Lines() const {
  if (FCacheRevision != FMemo->TextRevision()) {
    const std::string text = FMemo->Text();
    FCache = SplitCrLf(text);
    FCacheOpenEnd = !text.empty() && (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n"));
    Keep();
  }
  return FCache;
}

void TMemoStrings::Keep() const { FCacheRevision = FMemo->TextRevision(); }

int TMemoStrings::Count() const { return int(Lines().size()); }

std::string TMemoStrings::Get(int index) const {
  const std::vector<std::string>& lines = Lines();
  if (index < 0 || index >= int(lines.size())) IndexError(index);
  return lines[size_t(index)];
}

void TMemoStrings::Put(int index, const std::string& s) {
  std::vector<std::string> lines = SplitCrLf(FMemo->Text());
  if (index < 0 || index >= int(lines.size())) IndexError(index);
  lines[size_t(index)] = s;
  FMemo->SetText(JoinCrLf(lines));
  Changed();
}

void TMemoStrings::Insert(int index, const std::string& s) {
  std::vector<std::string> lines = SplitCrLf(FMemo->Text());
  if (index < 0 || index > int(lines.size())) IndexError(index);
  lines.insert(lines.begin() + index, s);
  FMemo->SetText(JoinCrLf(lines));
  Changed();
}

int TMemoStrings::Add(const std::string& s) {
  Lines();  // a fresh copy, so that it can grow with the text
  const std::string piece = (FCacheOpenEnd ? "\r\n" : "") + s + "\r\n";
  if (FMemo->HandleAllocated()) {
    // Replace the empty selection at the end, as an edit control appends.
    HWND h = FMemo->Handle();
    const int n = GetWindowTextLengthA(h);
    SendMessageA(h, EM_SETSEL, WPARAM(n), LPARAM(n));
    SendMessageA(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
    ++FMemo->FTextRevision;
  } else {
    FMemo->SetText(FMemo->Text() + piece);
  }
  for (std::string& line : SplitCrLf(s + "\r\n")) FCache.push_back(std::move(line));
  FCacheOpenEnd = false;
  Keep();
  FMemo->ScrollToEnd();
  Changed();
  return int(FCache.size()) - 1;
}

void TMemoStrings::Delete(int index) {
  std::vector<std::string> lines = SplitCrLf(FMemo->Text());
  if (index < 0 || index >= int(lines.size())) IndexError(index);
  lines.erase(lines.begin() + index);
  FMemo->SetText(JoinCrLf(lines));
  Changed();
}

void TMemoStrings::Clear() {
  FMemo->SetText("");
  Changed();
}

std::string TMemoStrings::Text() const { return JoinCrLf(SplitCrLf(FMemo->Text())); }

void TMemoStrings::SetText(const std::string& text) {
  // Normalise lone CR or LF line ends to CR LF, as the control shows lines.
  std::string t;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      t += "\r\n";
      ++i;
    } else if (c == '\r' || c == '\n') {
      t += "\r\n";
    } else {
      t += c;
    }
  }
  FMemo->SetText(t);
  Changed();
}

// ---- TMemo ----

TMemo::TMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(this) {
  FWidth = 185;
  FHeight = 89;
  AutoSelect = false;
}

void TMemo::SetText(const std::string& s) {
  ++FTextRevision;
  TCustomEdit::SetText(s);
  ++FTextRevision;  // also after: the control's own change notice may come in between
}

void TMemo::Change() {
  ++FTextRevision;  // the person or the control changed the text
  TCustomEdit::Change();
}

// No limit of its own: the log must not stop at the control's default of 32 KiB.
void TMemo::CreateHandleDone() {
  TCustomEdit::CreateHandleDone();
  if (FMaxLength == 0) SendMessageA(FHandle, EM_LIMITTEXT, 0, 0);
}

void TMemo::CreateParams(TCreateParams& p) {
  TCustomEdit::CreateParams(p);
  p.Style &= ~DWORD(ES_AUTOHSCROLL);
  p.Style |= ES_MULTILINE | ES_AUTOVSCROLL;
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) p.Style |= WS_VSCROLL;
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) p.Style |= WS_HSCROLL;
  if (!FWordWrap) p.Style |= ES_AUTOHSCROLL;
}

void TMemo::WndProc(TMessage& msg) {
  if (msg.Msg == WM_GETTEXTCOLOUR && msg.LParam && OnLineColour) {
    msg.Result = OnLineColour(std::string(reinterpret_cast<const char*>(msg.LParam), msg.WParam));
    return;
  }
  TCustomEdit::WndProc(msg);
}

void TMemo::ScrollToEnd() {
  if (!FHandle) return;
  int n = GetWindowTextLengthA(FHandle);
  SendMessageA(FHandle, EM_SETSEL, WPARAM(n), LPARAM(n));
  SendMessageA(FHandle, EM_SCROLLCARET, 0, 0);
}
