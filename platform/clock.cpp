#include "platform/clock.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

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

std::string LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local = *std::localtime(&now);
    std::tm utc = *std::gmtime(&now);
    // Both read as local time: their difference is the offset from UTC.
    utc.tm_isdst = local.tm_isdst;
    std::tm localCopy = local;
    const long offset = long(std::difftime(std::mktime(&localCopy), std::mktime(&utc)));
    char text[40];
    const size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + n, sizeof text - n, " %c%02ld%02ld", offset < 0 ? '-' : '+',
                  std::labs(offset) / 3600, std::labs(offset) / 60 % 60);
    return text;
}
