// Socket layer costs: a connect-and-read round trip through TSocketClient against the
// same exchange on bare BSD sockets, and the processor time a 2-second wait for a slow
// server costs (the waits must sleep in poll, not spin).
#include <benchmark/benchmark.h>

#include <string>

#include "bench/socket_bare.h"
#include "framework/Classes.h"
#include "socket/SocketClient.h"
#include "tests/support/Loopback.h"

namespace {

const char kReply[] = "HTTP/1.0 200 OK\r\nServer: bench\r\n\r\n";

void answerAndClose(LoopbackConn& c) {
  c.send(kReply);
  c.close();
}

void BM_BareSocketRoundTrip(benchmark::State& state) {
  LoopbackServer server(answerAndClose);
  for (auto _ : state) {
    long n = BareRoundTrip(server.port());
    if (n < 0) state.SkipWithError("connect failed");
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_BareSocketRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_ClientRoundTrip(benchmark::State& state) {
  LoopbackServer server(answerAndClose);
  TOwnedPtr<TSocketClient> c(TComponent::Create<TSocketClient>(nullptr));
  c->Host = "127.0.0.1";
  c->Port = server.port();
  c->TimeOut = 10000;
  for (auto _ : state) {
    c->Connect();
    std::string status = c->ReadLn(), rest;
    c->CaptureString(rest, -1);
    benchmark::DoNotOptimize(status.size() + rest.size());
    c->Disconnect();
  }
}
BENCHMARK(BM_ClientRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The server answers after 2 s; ReadLn waits for it.
void BM_SlowAnswerWaitCpu(benchmark::State& state) {
  LoopbackServer server([](LoopbackConn& conn) {
    conn.delay(2000);
    answerAndClose(conn);
  });
  TOwnedPtr<TSocketClient> c(TComponent::Create<TSocketClient>(nullptr));
  c->Host = "127.0.0.1";
  c->Port = server.port();
  c->TimeOut = 10000;
  double cpu = 0;
  for (auto _ : state) {
    c->Connect();
    double before = ThreadCpuMs();
    std::string line = c->ReadLn();
    cpu += ThreadCpuMs() - before;
    benchmark::DoNotOptimize(line);
    c->Disconnect();
  }
  state.counters["cpu_ms"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SlowAnswerWaitCpu)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// A connect that is never answered, ended by a 2 s time-out: the event-wait loop.
void BM_SilentConnectWaitCpu(benchmark::State& state) {
  LoopbackBlackHole hole;
  TOwnedPtr<TSocketClient> c(TComponent::Create<TSocketClient>(nullptr));
  c->Host = "127.0.0.1";
  c->Port = hole.port();
  c->TimeOut = 2000;
  double cpu = 0;
  for (auto _ : state) {
    double before = ThreadCpuMs();
    try {
      c->Connect();
    } catch (const ESockError&) {
    }
    cpu += ThreadCpuMs() - before;
    c->Disconnect();
  }
  state.counters["cpu_ms"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SilentConnectWaitCpu)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
