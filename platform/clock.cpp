#include "platform/clock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#include <thread>
#endif

namespace {

class RealClock : public Clock {
public:
    void Sleep(uint32_t ms) override {
#ifdef _WIN32
        ::Sleep(ms);
#else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
#endif
    }
    uint64_t NowMs() override {
#ifdef _WIN32
        return ::GetTickCount64();
#else
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
#endif
    }
};

RealClock realClock;
Clock* current = &realClock;

}  // namespace

Clock* SetClock(Clock* clock) {
    Clock* previous = current == &realClock ? nullptr : current;
    current = clock ? clock : &realClock;
    return previous;
}

void WaitMs(uint32_t ms) { current->Sleep(ms); }

uint64_t NowMs() { return current->NowMs(); }
