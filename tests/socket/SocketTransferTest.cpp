// TSocketClient data operations against scripted servers on 127.0.0.1: lines, writes,
// captures, files, Transaction, cancel and time-outs.
#include <atomic>
#include <fstream>
#include <memory>

#include "tests/socket/SocketFixture.h"
#include "tests/support/TempDir.h"

namespace {

class TransferTest : public SocketTest {
 protected:
  // Starts a server running script and connects a client to it.
  TOwnedPtr<ProbeClient> connectTo(LoopbackServer::Handler script, int timeoutMs = 10000) {
    server = std::make_unique<LoopbackServer>(std::move(script));
    auto c = makeClient("127.0.0.1", server->port(), timeoutMs);
    c->Connect();
    return c;
  }
  // Waits until the client's socket holds at least n unread bytes.
  static bool waitUnread(ProbeClient& c, int n) {
    std::vector<char> buf(static_cast<size_t>(n));
    return PumpUntil([&] { return recv(c.GetSocketHandle(), buf.data(), n, MSG_PEEK) >= n; });
  }
  std::string tempPath(const char* name) const { return dir_.file(name); }

  testsupport::TempDir dir_;
  std::unique_ptr<LoopbackServer> server;
};

// ---- ReadLn ----

TEST_F(TransferTest, ReadLnTakesOneLineAndLeavesTheRestInTheSocket) {
  auto c = connectTo([](LoopbackConn& s) { s.send("HTTP/1.0 200 OK\r\nServer: t\r\n\r\nbody"); });
  ASSERT_TRUE(waitUnread(*c, 34));
  EXPECT_EQ(c->ReadLn(), "HTTP/1.0 200 OK\r\n");
  EXPECT_TRUE(c->DataAvailable());
  EXPECT_EQ(c->ReadLn(), "Server: t\r\n");
  EXPECT_EQ(c->ReadLn(), "\r\n");
  std::string rest;
  c->CaptureString(rest, 4);
  EXPECT_EQ(rest, "body");
}

TEST_F(TransferTest, LineEndsComeBackAsSent) {
  auto c = connectTo([](LoopbackConn& s) { s.send("lf\n\ncrlf\r\n\r\n"); });
  EXPECT_EQ(c->ReadLn(), "lf\n");
  EXPECT_EQ(c->ReadLn(), "\n");
  EXPECT_EQ(c->ReadLn(), "crlf\r\n");
  EXPECT_EQ(c->ReadLn(), "\r\n");
}

TEST_F(TransferTest, ALineArrivingInPiecesIsJoined) {
  auto c = connectTo([](LoopbackConn& s) {
    s.send("HT");
    s.delay(20);
    s.send("TP/1.");
    s.delay(20);
    s.send("0 200\r\nnext");
  });
  EXPECT_EQ(c->ReadLn(), "HTTP/1.0 200\r\n");
}

TEST_F(TransferTest, ALineWithoutLineEndThenCloseGivesEmpty) {
  auto c = connectTo([](LoopbackConn& s) {
    s.send("no line end");
    s.close();
  });
  EXPECT_EQ(c->ReadLn(), "");
}

TEST_F(TransferTest, ALineLongerThan65535CharactersIsARangeError) {
  auto c = connectTo([](LoopbackConn& s) {
    s.send(std::string(65535, 'a') + "\n" + std::string(65536, 'b') + "\n");
  });
  EXPECT_EQ(c->ReadLn(), std::string(65535, 'a') + "\n");
  EXPECT_THROW(c->ReadLn(), ERangeError);
}

TEST_F(TransferTest, ReadLnOnAReplacedSocketEndsEmptyWithoutRaising) {
  auto c = connectTo([](LoopbackConn& s) { s.hold(); });
  c->Disconnect();  // the fresh socket is not connected: 10057
  EXPECT_EQ(c->ReadLn(), "");
  EXPECT_EQ(c->GetLastErrorNo(), WSAENOTCONN);
}

TEST_F(TransferTest, ReadLnTimesOutAsAnAbort) {
  auto c = connectTo([](LoopbackConn& s) { s.hold(); }, 100);
  EXPECT_EQ(errorOf([&] { c->ReadLn(); }), "Socket readln aborted");
  EXPECT_FALSE(c->IsCanceled());
  EXPECT_FALSE(c->GetTimeOutTimer()->Enabled());
}

// Whether the read or the close notification meets the reset first, the data ended.
TEST_F(TransferTest, ReadLnOfAResetConnectionEndsTheData) {
  auto c = connectTo([](LoopbackConn& s) {
    s.readUntil("go");
    s.reset();
  });
  c->Write("go");
  EXPECT_EQ(c->ReadLn(), "");
  c->Write("more");  // the peer is gone: nothing to send it, and nothing raised
}

// ---- writes ----

TEST_F(TransferTest, WritesSendUpToTheFirstNul) {
  auto c = connectTo([](LoopbackConn& s) { s.readUntil("END"); });
  c->Write("");
  c->Write(std::string("a\0b", 3));
  c->Writeln("");
  c->Writeln("END");
  ASSERT_TRUE(server->waitReceived(0, 8));
  EXPECT_EQ(server->received(0), "a\r\nEND\r\n");
}

TEST_F(TransferTest, TooLongWriteIsARangeErrorBeforeAnythingIsSent) {
  auto c = connectTo([](LoopbackConn& s) { s.readUntil("ok"); });
  EXPECT_THROW(c->Write(std::string(65536, 'x')), ERangeError);
  c->Write(std::string(65535, 'y'));
  c->Write("ok");
  ASSERT_TRUE(server->waitReceived(0, 65537));
  EXPECT_EQ(server->received(0), std::string(65535, 'y') + "ok");
}

TEST_F(TransferTest, SendToAPeerThatNeverReadsEndsWithTheTimeOut) {
  auto c = connectTo([](LoopbackConn& s) { s.delay(60000); }, 200);
  std::string block(65535, 'z');
  std::string error;
  for (int i = 0; i < 20000 && error.empty(); ++i) error = errorOf([&] { c->Write(block); });
  EXPECT_EQ(error, "Socket send aborted");
  EXPECT_FALSE(c->IsCanceled());
}

// ---- captures ----

TEST_F(TransferTest, CaptureWithoutLimitTakesEverythingUntilTheClose) {
  auto packets = std::make_shared<std::atomic<int>>(0);  // the server may outlive the test body
  auto c = connectTo([packets](LoopbackConn& s) {
    s.send(std::string(1000, 'a'));
    // The last byte goes once the first packet was taken, so the two cannot merge.
    for (int waited = 0; *packets == 0 && waited < 10000 && !s.stopping(); waited += 5) s.delay(5);
    s.send("!");
    s.close();
  });
  c->OnPacketRecvd = [packets](TObject*) { ++*packets; };
  std::string text;
  c->CaptureString(text, -1);
  EXPECT_EQ(text, std::string(1000, 'a') + "!");
  EXPECT_EQ(c->GetBytesRecvd(), 1001);
  EXPECT_GE(packets->load(), 2);
}

TEST_F(TransferTest, CaptureLimitZeroTakesNothing) {
  auto c = connectTo([](LoopbackConn& s) {
    s.send("kept");
    s.close();
  });
  ASSERT_TRUE(waitUnread(*c, 4));
  std::string text = "old";
  c->CaptureString(text, 0);
  EXPECT_EQ(text, "");
  c->CaptureString(text, -1);
  EXPECT_EQ(text, "kept");
}

TEST_F(TransferTest, CaptureLimitKeepsTheWholeLastChunk) {
  auto c = connectTo([](LoopbackConn& s) { s.send(std::string(1000, 'b')); });
  ASSERT_TRUE(waitUnread(*c, 1000));
  std::string text;
  c->CaptureString(text, 100);
  EXPECT_EQ(text.size(), 1000u);
}

TEST_F(TransferTest, CaptureThatOutlivesTimeOutIsAborted) {
  auto c = connectTo(
      [](LoopbackConn& s) {
        while (!s.stopping() && !s.closed()) {
          s.send("x");
          s.delay(10);
        }
      },
      150);
  std::string text;
  EXPECT_EQ(errorOf([&] { c->CaptureString(text, -1); }), "Socket capture aborted");
  EXPECT_FALSE(text.empty()) << "what arrived before the abort is kept";
  EXPECT_FALSE(c->IsCanceled());
}

TEST_F(TransferTest, CaptureAfterTheSocketWasReplacedEndsQuietly) {
  auto c = connectTo([](LoopbackConn& s) { s.close(); });
  ASSERT_TRUE(PumpUntil([&] { return !c->IsConnected(); }));
  std::string text = "x";
  c->CaptureString(text, -1);
  EXPECT_EQ(text, "");
}

TEST_F(TransferTest, CaptureFileWritesEveryByte) {
  std::string body;
  for (int i = 0; i < 200000; ++i) body += static_cast<char>('a' + i % 26);
  auto c = connectTo([body](LoopbackConn& s) {
    s.send(body);
    s.close();
  });
  std::string path = tempPath("capture.bin");
  c->CaptureFile(path);
  EXPECT_EQ(testsupport::readFile(path), body);
  EXPECT_EQ(c->GetBytesRecvd(), 200000);
}

TEST_F(TransferTest, SendFileSendsEveryByteAndCounts) {
  std::string path = tempPath("send.bin");
  std::string body(150000, 'q');
  std::ofstream(path, std::ios::binary) << body;
  auto c = connectTo([](LoopbackConn& s) { s.readBytes(150000); });
  int packets = 0;
  bool timerArmed = false;  // a file goes out unbounded: a slow reader must not abort it
  c->OnPacketSent = [&](TObject*) {
    ++packets;
    timerArmed = timerArmed || c->GetTimeOutTimer()->Enabled();
  };
  c->SendFile(path);
  EXPECT_FALSE(timerArmed);
  ASSERT_TRUE(server->waitReceived(0, 150000));
  EXPECT_EQ(server->received(0), body);
  EXPECT_EQ(c->GetBytesSent(), 150000);
  EXPECT_GE(packets, 3);
}

TEST_F(TransferTest, SendFileOfAMissingFileRaisesTheStreamError) {
  auto c = connectTo([](LoopbackConn& s) { s.hold(); });
  EXPECT_THROW(c->SendFile(tempPath("does-not-exist.bin")), EFOpenError);
}

// ---- Canceled set before each operation ----

TEST_F(TransferTest, CanceledBeforeSendingSendsNothing) {
  std::string path = tempPath("cancel-send.bin");
  std::ofstream(path, std::ios::binary) << "file";
  auto c = connectTo([](LoopbackConn& s) { s.readUntil("Z"); });
  c->Cancel();
  EXPECT_EQ(errorOf([&] { c->Write("abc"); }), "Socket send aborted");
  EXPECT_FALSE(c->IsCanceled());
  c->Cancel();
  EXPECT_EQ(errorOf([&] { c->SendFile(path); }), "Socket send aborted");
  c->Write("Z");
  ASSERT_TRUE(server->waitReceived(0, 1));
  EXPECT_EQ(server->received(0), "Z");
}

TEST_F(TransferTest, CanceledBeforeCapturingReceivesNothing) {
  auto c = connectTo([](LoopbackConn& s) { s.send("data\n"); });
  ASSERT_TRUE(waitUnread(*c, 5));
  std::string path = tempPath("cancel-capture.bin");
  c->Cancel();
  EXPECT_EQ(errorOf([&] { c->CaptureFile(path); }), "Socket send aborted");
  EXPECT_EQ(testsupport::readFile(path), "");
  c->Cancel();
  std::string text;
  EXPECT_EQ(errorOf([&] { c->CaptureString(text, -1); }), "Socket capture aborted");
  EXPECT_EQ(text, "");
  EXPECT_EQ(c->ReadLn(), "data\n");
}

TEST_F(TransferTest, CanceledBeforeReadLnMakesOnePassThenRaises) {
  auto c = connectTo([](LoopbackConn& s) { s.send("line\n"); });
  ASSERT_TRUE(waitUnread(*c, 5));
  c->Cancel();
  EXPECT_EQ(errorOf([&] { c->ReadLn(); }), "Socket readln aborted");
  EXPECT_EQ(c->ReadLn(), "line\n") << "the line stayed in the socket";
}

TEST_F(TransferTest, CanceledReadLnOnAClosedPeerReturnsEmptyAndStaysCanceled) {
  auto c = connectTo([](LoopbackConn& s) {
    s.send("x");
    s.close();
  });
  std::string first;
  c->CaptureString(first, 1);  // leave the socket drained but connected
  ASSERT_TRUE(server->waitFinished(0));
  c->Cancel();
  EXPECT_EQ(c->ReadLn(), "");
  EXPECT_TRUE(c->IsCanceled());
}

// ---- Transaction ----

TEST_F(TransferTest, TransactionReadsTheReplyNumber) {
  auto c = connectTo([](LoopbackConn& s) {
    s.readUntil("\r\n");
    s.send("250 OK\r\n");
    s.readUntil("\r\n");
    s.send("hello\r\n");
    s.readUntil("\r\n");
    s.close();
  });
  EXPECT_EQ(c->Transaction("HELO"), "250 OK\r\n");
  EXPECT_EQ(c->GetReplyNumber(), 250);
  EXPECT_EQ(c->GetLastReply(), "250 OK\r\n");
  EXPECT_EQ(c->Transaction("NOOP"), "hello\r\n");
  EXPECT_EQ(c->GetReplyNumber(), 0);
  EXPECT_EQ(c->Transaction("QUIT"), "");
  EXPECT_EQ(c->GetReplyNumber(), 0);
  EXPECT_EQ(c->GetLastReply(), "");
}

TEST_F(TransferTest, TransactionReplyAbove32767IsARangeError) {
  auto c = connectTo([](LoopbackConn& s) {
    s.readUntil("\r\n");
    s.send("99999 big\r\n");
  });
  EXPECT_THROW(c->Transaction("X"), ERangeError);
}

}  // namespace
