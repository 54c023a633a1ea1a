// Thread message queues over the standard library: one registry of queues keyed by
// thread id, each queue a deque under its own lock.
#include "platform/pf_thread_messages.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <string>
#include <unordered_map>

#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

struct MessageQueue {
    std::mutex lock;
    std::condition_variable ready;
    std::deque<PfThreadMessage> messages;
};

// Every live queue. Its own lock is held only to find or change an entry, never while
// waiting on a queue.
struct QueueRegistry {
    std::mutex lock;
    std::unordered_map<PfThreadId, std::shared_ptr<MessageQueue>> queues;
};

QueueRegistry& Registry() {
    static QueueRegistry* registry = new QueueRegistry;  // lives to the end of the process
    return *registry;
}

std::atomic<PfThreadId> g_nextThreadId{1};

PfThreadId NewThreadId() {
    PfThreadId id = g_nextThreadId.fetch_add(1);
    if (id == 0) id = g_nextThreadId.fetch_add(1);  // skips 0 after 2^32 threads
    return id;
}

// Per-thread state: the id, and the queue removed when the thread ends.
struct ThreadState {
    PfThreadId id = 0;
    bool hasQueue = false;
    ~ThreadState() {
        if (hasQueue) {
            QueueRegistry& r = Registry();
            std::lock_guard<std::mutex> guard(r.lock);
            r.queues.erase(id);
        }
    }
};

thread_local ThreadState t_thread;

std::shared_ptr<MessageQueue> FindQueue(PfThreadId id) {
    QueueRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.queues.find(id);
    return it == r.queues.end() ? nullptr : it->second;
}

std::shared_ptr<MessageQueue> OwnQueue() {
    PfCreateThreadQueue();
    return FindQueue(t_thread.id);
}

}  // namespace

PfThreadId PfCurrentThreadId() {
    if (t_thread.id == 0) t_thread.id = NewThreadId();
    return t_thread.id;
}

void PfCreateThreadQueue() {
    PfThreadId id = PfCurrentThreadId();
    if (t_thread.hasQueue) return;
    QueueRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.queues[id] = std::make_shared<MessageQueue>();
    t_thread.hasQueue = true;
}

void PfDestroyThreadQueue() {
    if (!t_thread.hasQueue) return;
    QueueRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.queues.erase(t_thread.id);
    t_thread.hasQueue = false;
}

bool PfPostThreadMessage(PfThreadId thread, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    std::shared_ptr<MessageQueue> queue = FindQueue(thread);
    if (!queue) return false;
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        queue->messages.push_back({message, wParam, lParam});
    }
    queue->ready.notify_one();
    return true;
}

bool PfGetThreadMessage(PfThreadMessage* out) {
    std::shared_ptr<MessageQueue> queue = OwnQueue();
    std::unique_lock<std::mutex> guard(queue->lock);
    queue->ready.wait(guard, [&] { return !queue->messages.empty(); });
    *out = queue->messages.front();
    queue->messages.pop_front();
    return out->message != PF_MSG_QUIT;
}

bool PfPeekThreadMessage(PfThreadMessage* out, uint32_t timeoutMs) {
    std::shared_ptr<MessageQueue> queue = OwnQueue();
    std::unique_lock<std::mutex> guard(queue->lock);
    if (!queue->ready.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                               [&] { return !queue->messages.empty(); }))
        return false;
    *out = queue->messages.front();
    queue->messages.pop_front();
    return true;
}

// Shared by the handle and the running thread, so a detached thread can still finish.
struct PfThreadShared {
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    int result = 0;
    pid_t tid = 0;             // the kernel's id of the thread, once it runs
    bool raisePriority = false;
};

namespace {

// A nice value below the default: the scheduler's nearest thing to "above normal".
// Needs CAP_SYS_NICE; without it the thread keeps the normal priority.
constexpr int kRaisedNice = -4;

bool RaiseNice(pid_t tid) { return setpriority(PRIO_PROCESS, static_cast<id_t>(tid), kRaisedNice) == 0; }

}  // namespace

struct PfThread {
    std::thread thread;
    std::shared_ptr<PfThreadShared> shared;
};

void PfNameThread(std::thread& thread, const char* role) {
    std::string name = std::string(kPfThreadNamePrefix) + role;
    name.resize(std::min<size_t>(name.size(), 15));
    pthread_setname_np(thread.native_handle(), name.c_str());
}

PfThread* PfCreateThread(std::function<int()> proc, PfThreadId* id, const char* role) {
    PfThreadId newId = NewThreadId();
    auto shared = std::make_shared<PfThreadShared>();
    PfThread* handle = new PfThread;
    handle->shared = shared;
    try {
        handle->thread = std::thread([proc = std::move(proc), shared, newId] {
            t_thread.id = newId;
            {
                std::lock_guard<std::mutex> guard(shared->lock);
                shared->tid = static_cast<pid_t>(syscall(SYS_gettid));
                if (shared->raisePriority) RaiseNice(shared->tid);
            }
            int result = proc();
            PfDestroyThreadQueue();
            std::lock_guard<std::mutex> guard(shared->lock);
            shared->result = result;
            shared->done = true;
            shared->ended.notify_all();
        });
    } catch (const std::system_error&) {
        delete handle;
        return nullptr;
    }
    PfNameThread(handle->thread, role);
    if (id) *id = newId;
    return handle;
}

bool PfRaiseThreadPriority(PfThread* thread) {
    if (!thread) return false;
    std::lock_guard<std::mutex> guard(thread->shared->lock);
    thread->shared->raisePriority = true;  // applied by the thread itself if not yet running
    return thread->shared->tid == 0 || RaiseNice(thread->shared->tid);
}

bool PfWaitForThread(PfThread* thread, uint32_t timeoutMs) {
    if (!thread) return true;
    std::unique_lock<std::mutex> guard(thread->shared->lock);
    return thread->shared->ended.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                          [&] { return thread->shared->done; });
}

void PfCloseThread(PfThread* thread) {
    if (!thread) return;
    bool done;
    {
        std::lock_guard<std::mutex> guard(thread->shared->lock);
        done = thread->shared->done;
    }
    if (thread->thread.joinable()) {
        if (done)
            thread->thread.join();
        else
            thread->thread.detach();
    }
    delete thread;
}
