#include "lock_wait.h"

#include <utility>

namespace {
std::function<void()> g_hook;
bool g_inHook = false;
} // namespace

void SetLockWaitHook(std::function<void()> hook)
{
    g_hook = std::move(hook);
}

void CallLockWaitHook()
{
    // A hook that ends up waiting on a lock itself must not go round again.
    if (!g_hook || g_inHook)
        return;
    g_inHook = true;
    g_hook();
    g_inHook = false;
}
