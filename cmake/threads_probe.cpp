// Tells the win32 test runner whether this Wine can run threads side by
// side: 32-bit Wine run through a user-mode CPU emulator crashes when two of
// a program's threads run at once. Two threads work for half a second each,
// long enough for that crash to come.
#include <windows.h>

#include <cstdio>
#include <thread>

int main() {
    auto work = [] {
        volatile unsigned sum = 0;
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 500) sum = sum + 1;
    };
    std::thread first(work), second(work);
    first.join();
    second.join();
    std::printf("threads ran side by side\n");
    return 0;
}
