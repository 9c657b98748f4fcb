#include "database/engine_wait.h"

#include <atomic>
#include <thread>

namespace {
EngineWaitHandler& Handler() {
  static EngineWaitHandler handler;
  return handler;
}
// The handler serves the thread that set it (the window's): a call made on
// another thread (inside an engine call already waited for) runs there.
std::thread::id& HandlerThread() {
  static std::thread::id thread;
  return thread;
}
}  // namespace

void SetEngineWaitHandler(EngineWaitHandler handler) {
  Handler() = std::move(handler);
  HandlerThread() = std::this_thread::get_id();
}
bool HasEngineWaitHandler() { return Handler() && HandlerThread() == std::this_thread::get_id(); }

namespace {
// What the handler gets for a call: its end, and the engine's stop and cut
// (`stopped` notes that the user asked).
EngineWait WaitOn(std::function<bool(int)> finished, const EngineStop& stop, bool* stopped = nullptr) {
  EngineWait wait;
  wait.finished = std::move(finished);
  wait.stop = [&stop, stopped] {
    if (stopped) *stopped = true;
    if (stop.stop) stop.stop();
  };
  wait.sever = [&stop] {
    if (stop.sever) stop.sever();
  };
  return wait;
}
}  // namespace

void RunEngineCall(const std::function<void()>& call, const EngineStop& stop, const QString& stoppedMessage) {
  if (!HasEngineWaitHandler()) return call();
  std::mutex mutex;
  std::condition_variable done;
  bool ended = false;
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      call();
    } catch (...) {
      failure = std::current_exception();
    }
    std::lock_guard lock(mutex);
    ended = true;
    done.notify_all();
  });
  bool stopped = false;
  EngineWait wait = WaitOn(
      [&](int ms) {
        std::unique_lock lock(mutex);
        return done.wait_for(lock, std::chrono::milliseconds(ms), [&] { return ended; });
      },
      stop, &stopped);
  {
    // The thread is never left behind holding what this frame owns: however
    // the handler ends, the call has ended before the frame does.
    struct Join {
      EngineWait& wait;
      std::thread& worker;
      ~Join() {
        while (!wait.finished(1000)) {}
        worker.join();
      }
    } join{wait, worker};
    Handler()(wait);
  }
  if (failure) {
    if (stopped) throw EStopped(stoppedMessage);
    std::rethrow_exception(failure);
  }
}

void AwaitEngine(const std::function<bool(int)>& finished, const EngineStop& stop) {
  if (finished(5)) return;
  if (!HasEngineWaitHandler()) {
    while (!finished(1000)) {}
    return;
  }
  Handler()(WaitOn(finished, stop));
  while (!finished(1000)) {}
}

namespace engine_wait_detail {

void WaitDetached(const std::function<void()>& call, const std::function<bool(int)>& finished, bool& abandoned) {
  std::thread(call).detach();
  auto stopped = std::make_shared<std::atomic<bool>>(false);
  EngineWait wait;
  wait.finished = [&finished, stopped](int ms) { return *stopped || finished(ms); };
  wait.stop = [stopped] { *stopped = true; };
  wait.sever = [] {};
  Handler()(wait);
  abandoned = *stopped && !finished(0);
}

}  // namespace engine_wait_detail
