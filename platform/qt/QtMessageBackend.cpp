#include "platform/qt/QtMessageBackend.h"

#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cstdint>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "platform/win/MessageLoop.h"

namespace win {

namespace {

// Messages dispatched in one turn from Qt's loop before Qt's own events get theirs.
constexpr int kDrainBatch = 256;
// Without a wake-up descriptor a post cannot wake Qt's loop, so the queue is looked at this often.
constexpr int kWithoutWakeFdMs = 10;

int LoopLevel() {
    return QThread::currentThread()->loopLevel();
}

class QtMessageBackend final : public MessageBackend {
public:
    QtMessageBackend();
    void WaitForInput(int timeoutMs) override;
    void Wake() override;
    void InputsChanged() override { Rearm(); }
    void ProcessPendingEvents() override;

private:
    using NotifierKey = std::pair<int, QSocketNotifier::Type>;

    // While the core waits or pumps at this loop level it looks at the queue itself; a nested loop (a modal
    // dialog opened meanwhile) is Qt's again, and there our inputs are drained as at the top.
    class CoreTurn {
    public:
        explicit CoreTurn(std::vector<int>& levels) : levels_(levels) { levels_.push_back(LoopLevel()); }
        ~CoreTurn() { levels_.pop_back(); }
        CoreTurn(const CoreTurn&) = delete;
        CoreTurn& operator=(const CoreTurn&) = delete;

    private:
        std::vector<int>& levels_;
    };

    bool CoreHasTheTurn() const { return !coreLevels_.empty() && coreLevels_.back() == LoopLevel(); }
    void OnWakeFd();
    void OnInput();
    void Drain();
    void Rearm();
    void Watch(NotifierKey key, std::map<NotifierKey, std::unique_ptr<QSocketNotifier>>& kept);

    const std::thread::id owner_ = std::this_thread::get_id();
    const int wakeFd_ = ThreadWakeFd();
    std::unique_ptr<QSocketNotifier> wakeNotifier_;
    QTimer timer_;  // the next message-core timer, or the look without a wake-up descriptor
    std::map<NotifierKey, std::unique_ptr<QSocketNotifier>> notifiers_;
    std::vector<int> coreLevels_;
    bool dirty_ = true;  // the watches may have changed since the notifiers were made
};

QtMessageBackend::QtMessageBackend() {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] { OnInput(); });
    if (wakeFd_ >= 0) {
        wakeNotifier_ = std::make_unique<QSocketNotifier>(wakeFd_, QSocketNotifier::Read);
        QObject::connect(wakeNotifier_.get(), &QSocketNotifier::activated, [this] { OnWakeFd(); });
    }
    // Whatever was posted before the backend came is drained at the first turn of Qt's loop.
    Wake();
}

void QtMessageBackend::Wake() {
    // Under the core's lock: nothing here may call the core.
    if (wakeFd_ >= 0) {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
    }
    if (std::this_thread::get_id() != owner_)
        return;
    // On the owning thread a watch may just have been dropped, its descriptor about to be closed: Qt must not
    // poll it meanwhile. The notifiers are made afresh at the next turn, which this wake-up guarantees.
    for (auto& entry : notifiers_)
        entry.second->setEnabled(false);
    dirty_ = true;
}

void QtMessageBackend::OnWakeFd() {
    uint64_t count;
    [[maybe_unused]] ssize_t n = ::read(wakeFd_, &count, sizeof count);
    OnInput();
}

void QtMessageBackend::OnInput() {
    if (CoreHasTheTurn()) {
        if (dirty_)
            Rearm();
        return;
    }
    Drain();
}

void QtMessageBackend::Drain() {
    MSG msg;
    for (int i = 0; i < kDrainBatch; ++i) {
        if (!PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) {
            Rearm();
            return;
        }
        if (msg.message == WM_QUIT) {
            QCoreApplication::exit(static_cast<int>(msg.wParam));
            Rearm();
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Wake();  // more is waiting: the next turn goes on after Qt's own events
    Rearm();
}

void QtMessageBackend::Watch(NotifierKey key, std::map<NotifierKey, std::unique_ptr<QSocketNotifier>>& kept) {
    if (kept.count(key))
        return;
    auto found = notifiers_.find(key);
    if (found != notifiers_.end()) {
        kept.insert(std::move(*found));
        notifiers_.erase(found);
    } else {
        auto notifier = std::make_unique<QSocketNotifier>(key.first, key.second);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] { OnInput(); });
        kept.emplace(key, std::move(notifier));
    }
    kept[key]->setEnabled(true);
}

void QtMessageBackend::Rearm() {
    dirty_ = false;
    std::map<NotifierKey, std::unique_ptr<QSocketNotifier>> kept;
    for (const WatchedFd& w : ThreadWatchedFds()) {
        if (w.events & POLLIN)
            Watch({w.fd, QSocketNotifier::Read}, kept);
        if (w.events & POLLOUT)
            Watch({w.fd, QSocketNotifier::Write}, kept);
        if (w.events & POLLPRI)
            Watch({w.fd, QSocketNotifier::Exception}, kept);
    }
    notifiers_.swap(kept);  // the notifiers no watch wants any more go with `kept`
    int ms = ThreadTimerTimeoutMs();
    if (wakeFd_ < 0 && (ms < 0 || ms > kWithoutWakeFdMs))
        ms = kWithoutWakeFdMs;
    if (ms < 0)
        timer_.stop();
    else
        timer_.start(ms);
}

void QtMessageBackend::WaitForInput(int timeoutMs) {
    if (dirty_)
        Rearm();
    CoreTurn turn(coreLevels_);
    if (timeoutMs == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    QTimer limit;  // its expiry alone wakes the wait
    if (timeoutMs > 0) {
        limit.setSingleShot(true);
        limit.start(timeoutMs);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtMessageBackend::ProcessPendingEvents() {
    {
        CoreTurn turn(coreLevels_);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    if (dirty_)
        Rearm();
}

}  // namespace

void InstallQtMessageBackend() {
    SetThreadBackend(std::make_unique<QtMessageBackend>());
}

void RemoveQtMessageBackend() {
    SetThreadBackend(nullptr);
}

}  // namespace win
