#pragma once
// Engine calls that may wait long (a statement the server works on for
// minutes, a lock, a server that stopped answering, a connection to a host
// that drops packets) run on a thread of their own. Meanwhile the calling
// thread waits through the handler the application wires, which keeps the
// window alive and may ask the engine to stop. The engine never shows
// anything itself: without a handler the call simply runs where it is.
#include "database/failure.h"

#include <functional>
#include <memory>

// What a waiting handler may do with a call under way.
struct EngineWait {
  // Waits at most `milliseconds` for the call; true once it has ended.
  std::function<bool(int milliseconds)> finished;
  // Asks the engine to stop the call (the user pressed Esc).
  std::function<void()> stop;
  // The engine did not stop in time (a server that does not answer): cut
  // the connection, so that the call fails at once.
  std::function<void()> sever;
};

// Returns once `finished` has said true; calls `stop` and `sever` at most
// once each.
using EngineWaitHandler = std::function<void(const EngineWait&)>;
void SetEngineWaitHandler(EngineWaitHandler handler);
bool HasEngineWaitHandler();

// The user stopped an engine call: the statement or connection ended at
// the engine. The message is the one the user reads.
class EStopped : public EDatabaseError {
public:
  explicit EStopped(const QString& message = QStringLiteral("查詢已停止")) : EDatabaseError(message) {}
};

// How an engine call in flight is stopped, from any thread.
struct EngineStop {
  std::function<void()> stop;
  std::function<void()> sever;
};

// Runs `call` on a thread of its own while the handler waits, and hands
// back its failure as it is. When the user stopped the call and it ended
// in a failure (as a stopped engine call does), throws EStopped with
// `stoppedMessage` instead. Without a handler, runs `call` here.
void RunEngineCall(const std::function<void()>& call, const EngineStop& stop,
                   const QString& stoppedMessage = QStringLiteral("查詢已停止"));

// Waits through the handler for something an engine's thread does (a thread
// that reads ahead coming to its end): `finished` as in EngineWait. Without
// a handler, simply waits.
void AwaitEngine(const std::function<bool(int milliseconds)>& finished, const EngineStop& stop);

// The same for a call that no engine can stop (a driver's connect): once
// the user stopped it, the wait ends at once with EStopped and the call
// goes on by itself, dropping its result when it ends. `call` must own what
// it uses (it may outlive the caller).
template <class T>
T RunAbandonableCall(std::function<T()> call, const QString& stoppedMessage);

// ---------------------------------------------------------------------------

namespace engine_wait_detail {
// Runs `call` on a detached thread and waits through the handler until
// `finished` says so, or until the user stopped (then `abandoned` is true).
void WaitDetached(const std::function<void()>& call, const std::function<bool(int)>& finished, bool& abandoned);
}  // namespace engine_wait_detail

#include <exception>
#include <mutex>
#include <condition_variable>
#include <optional>

template <class T>
T RunAbandonableCall(std::function<T()> call, const QString& stoppedMessage) {
  if (!HasEngineWaitHandler()) return call();
  struct State {
    std::mutex mutex;
    std::condition_variable done;
    bool ended = false;
    std::optional<T> result;
    std::exception_ptr failure;
  };
  auto state = std::make_shared<State>();
  auto run = [state, call = std::move(call)] {
    std::optional<T> result;
    std::exception_ptr failure;
    try {
      result.emplace(call());
    } catch (...) {
      failure = std::current_exception();
    }
    std::lock_guard lock(state->mutex);
    state->result = std::move(result);
    state->failure = failure;
    state->ended = true;
    state->done.notify_all();
  };
  auto finished = [state](int ms) {
    std::unique_lock lock(state->mutex);
    return state->done.wait_for(lock, std::chrono::milliseconds(ms), [&] { return state->ended; });
  };
  bool abandoned = false;
  engine_wait_detail::WaitDetached(run, finished, abandoned);
  if (abandoned) throw EStopped(stoppedMessage);
  std::lock_guard lock(state->mutex);
  if (state->failure) std::rethrow_exception(state->failure);
  return std::move(*state->result);
}
