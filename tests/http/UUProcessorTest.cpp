// TUUProcessor: Base64 and uuencode lines, 45 input bytes per line.
#include <gtest/gtest.h>

#include <vector>

#include "http/UUProcessor.h"

namespace {

std::string EncodeText(const std::string& input, UUMethods method,
                       std::vector<std::string>* log = nullptr) {
  TMemoryStream in;
  TMemoryStream out;
  in.WriteBuffer(input.data(), static_cast<int64_t>(input.size()));
  TOwnedPtr<TUUProcessor> p(TComponent::Create<TUUProcessor>(nullptr));
  p->Method = method;
  p->InputStream = &in;
  p->OutputStream = &out;
  if (log) {
    p->OnBeginEncode = [log](TObject*) { log->push_back("begin"); };
    p->OnEndEncode = [log](TObject*) { log->push_back("end"); };
  }
  p->Encode();
  EXPECT_EQ(out.Position(), 0);
  return std::string(out.Memory(), static_cast<size_t>(out.Size()));
}

TEST(UUProcessorMime, ThreeTwoAndOneBytes) {
  EXPECT_EQ(EncodeText("abc", uuMime), "YWJj\r\n");
  EXPECT_EQ(EncodeText("ab", uuMime), "YWI=\r\n");
  EXPECT_EQ(EncodeText("a", uuMime), "YQ==\r\n");
}

TEST(UUProcessorMime, EmptyInputGivesNothing) { EXPECT_EQ(EncodeText("", uuMime), ""); }

TEST(UUProcessorMime, FortyFiveBytesMakeOneLineOfSixty) {
  std::string out = EncodeText(std::string(45, 'x'), uuMime);
  ASSERT_EQ(out.size(), 62u);
  EXPECT_EQ(out.substr(60), "\r\n");
}

TEST(UUProcessorMime, FortySixBytesStartASecondLine) {
  std::string out = EncodeText(std::string(46, 'x'), uuMime);
  ASSERT_EQ(out.size(), 62u + 6u);
  EXPECT_EQ(out.substr(62), "eA==\r\n");
}

TEST(UUProcessorMime, AllByteValuesMatchTheStandardAlphabet) {
  EXPECT_EQ(EncodeText(std::string("\xfb\xff\xbf", 3), uuMime), "+/+/\r\n");
  EXPECT_EQ(EncodeText(std::string("\0\0\0", 3), uuMime), "AAAA\r\n");
}

TEST(UUProcessorCode, ThreeBytesThenTheClosingGraveLine) {
  EXPECT_EQ(EncodeText("abc", uuCode), "#86)C\r\n`\r\n");
}

TEST(UUProcessorCode, FullLineStartsWithM) {
  std::string out = EncodeText(std::string(45, 'x'), uuCode);
  EXPECT_EQ(out[0], 'M');
  EXPECT_EQ(out.substr(out.size() - 3), "`\r\n");
}

TEST(UUProcessorCode, ZeroBitsUseTheGraveAccent) {
  EXPECT_EQ(EncodeText(std::string("\0\0\0", 3), uuCode), "#````\r\n`\r\n");
}

TEST(UUProcessorEvents, BeginAndEndAroundTheEncoding) {
  std::vector<std::string> log;
  EncodeText("abc", uuMime, &log);
  EXPECT_EQ(log, (std::vector<std::string>{"begin", "end"}));
}

TEST(UUProcessorStreams, InputIsReadFromTheStartWhereverItStands) {
  TMemoryStream in;
  TMemoryStream out;
  in.WriteBuffer("abc", 3);  // position now at the end
  TOwnedPtr<TUUProcessor> p(TComponent::Create<TUUProcessor>(nullptr));
  p->InputStream = &in;
  p->OutputStream = &out;
  p->Encode();
  EXPECT_EQ(std::string(out.Memory(), static_cast<size_t>(out.Size())), "YWJj\r\n");
}

// A stream whose writes fail: the end event still comes and the error reaches the caller.
class TFailingStream : public TMemoryStream {
 public:
  int64_t Write(const void*, int64_t) override { throw EWriteError("Stream write error"); }
};

TEST(UUProcessorStreams, WriteErrorPassesOnAfterTheEndEvent) {
  TMemoryStream in;
  TFailingStream out;
  in.WriteBuffer("abc", 3);
  std::vector<std::string> log;
  TOwnedPtr<TUUProcessor> p(TComponent::Create<TUUProcessor>(nullptr));
  p->InputStream = &in;
  p->OutputStream = &out;
  p->OnEndEncode = [&](TObject*) { log.push_back("end"); };
  EXPECT_THROW(p->Encode(), EWriteError);
  EXPECT_EQ(log, (std::vector<std::string>{"end"}));
}

}  // namespace
