#include "lock_wait.h"

#include <thread>
#include <utility>

namespace {
std::function<void()> g_hook;
// The thread that set the hook: the window's. A statement waiting on another thread (a
// reader of its own) must not run it: it serves that window.
std::thread::id g_hookThread;
bool g_inHook = false;
} // namespace

void SetLockWaitHook(std::function<void()> hook)
{
    g_hook = std::move(hook);
    g_hookThread = std::this_thread::get_id();
}

void CallLockWaitHook()
{
    // A hook that ends up waiting on a lock itself must not go round again.
    if (std::this_thread::get_id() != g_hookThread || !g_hook || g_inHook)
        return;
    g_inHook = true;
    g_hook();
    g_inHook = false;
}

bool InLockWaitHook()
{
    return g_inHook && std::this_thread::get_id() == g_hookThread;
}
