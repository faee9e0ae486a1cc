// One whole update, from the check to the verdict, with a fault struck at
// every driver call in turn: the call fails once, the camera is gone from
// that call on, the SPI engine sticks busy from there, or the flash's
// write-in-progress sticks from there (four kinds). Whatever happens, the
// run must end, say one of the program's own texts, never claim an update
// that the flash does not hold, never erase a flash it did not identify,
// never leave the flash selected after a wait gave up, and never send a
// camera it passed over anything but its chip-ID read. The camera as the
// fault left it is then plugged in again and updated once more: that run
// must mend it, and never call it current unless the flash holds the image.
// Every road to the camera is struck: the two Windows paths and, on Linux,
// uvcvideo's ioctl. Power is also cut inside the flash's programs and its
// erase, where NOR flash leaves the bytes in flight partly done; the run
// after it is made twice: on this computer, with the record of the cut
// update, and on another, without it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/rig_whole_update.h"
#include "tests/support/temp_folder.h"
#ifdef __linux__
#include "tests/support/rig_uvc_seam.h"
#endif

namespace {

using simcam::Path;
using namespace whole_update;

// The roads a request can take to the camera: the two Windows paths and,
// on Linux, uvcvideo's ioctl (through its seam, straight to a model of the
// driver over the node path).
struct Road {
    Path path;
    bool uvcvideo;
};
constexpr Road kRoads[] = {
    {Path::KsNode, false},
    {Path::DriverXu, false},
#ifdef __linux__
    {Path::KsNode, true},
#endif
};

const char* RoadName(const Road& road) { return road.uvcvideo ? "uvcvideo" : PathName(road.path); }

// The driver path carries at most 68 bytes a packet, and 68 leaves a last
// packet to fill; the node path takes whole blocks, which keeps its share
// of the matrix short.
uint32_t PacketLength(Path path) { return path == Path::KsNode ? 4096 : 68; }

// A faulty run may poll a stuck engine for its whole bound a few times,
// but never needs more than this many times the calls of a clean run, nor
// a minute more camera time.
constexpr size_t kCallFactor = 3;
constexpr uint64_t kExtraTimeMs = 60000;

enum class Fault { None, FailOnce, FailFrom, StuckBusy, StuckWip, CutInProgram, CutInErase };
constexpr Fault kFaults[] = {Fault::FailOnce, Fault::FailFrom, Fault::StuckBusy, Fault::StuckWip};

const char* FaultName(Fault f) {
    switch (f) {
    case Fault::None: return "none";
    case Fault::FailOnce: return "fails once";
    case Fault::FailFrom: return "camera gone from";
    case Fault::StuckBusy: return "engine busy from";
    case Fault::StuckWip: return "flash WIP from";
    case Fault::CutInProgram: return "power cut inside program";
    case Fault::CutInErase: return "power cut inside the erase";
    }
    return "?";
}

// Where a power cut strikes: a moment of the camera's time, and the seed
// that chooses which bits in flight were done.
struct Cut {
    uint64_t us = 0;
    uint32_t seed = 0;
};

// startFlash: the flash a fault left, for the run after it; state: the
// folder the engine keeps its records in, shared by a run and the next.
Outcome RunWithFault(const Road& road, Fault fault, size_t k, size_t callBound,
                     const std::vector<uint8_t>* startFlash = nullptr, Cut cut = Cut(),
                     const std::string& state = std::string()) {
    const Path path = road.path;
#ifdef __linux__
    std::unique_ptr<SeamCamera> seam;  // outlives the rig and its channel
#endif
    Plan plan;
    plan.keepTrace = fault == Fault::None && !startFlash;
    plan.callBound = callBound;
    plan.passedOver = true;
    plan.stateFolder = state;
    plan.arrange = [&](UpdateRig& rig) {
        rig.sim.SetPacketLength(PacketLength(path));
        if (startFlash) rig.sim.Flash() = *startFlash;
        switch (fault) {
        case Fault::None: break;
        case Fault::FailOnce: rig.sim.FailCallOnce(k); break;
        case Fault::FailFrom: rig.sim.FailFromCall(k); break;
        case Fault::StuckBusy: rig.sim.StickBusyFromCall(k); break;
        case Fault::StuckWip: rig.sim.StickWipFromCall(k); break;
        case Fault::CutInProgram:
        case Fault::CutInErase: rig.sim.CutPowerAt(cut.us, cut.seed); break;
        }
#ifdef __linux__
        if (road.uvcvideo) {
            seam = std::make_unique<SeamCamera>(rig.sim);
            rig.source.devices[0] = seam->Device(&rig.window->transferLog);
        }
#endif
    };
    return RunUpdate(path, plan);
}

// The deselect that closes the direct program of the IDs, its address
// request and its value request: the program stays open until it is made,
// and the status poll after it would be programmed too. Struck once, the
// update must still end true, the flash compared whole; struck in any way,
// the camera must be mended even on a computer without the record.
constexpr size_t kIdProgramClose[] = {0, 1};  // calls from the deselect's address request

struct Tally {
    size_t points = 0, survived = 0, successes = 0, falseSuccesses = 0, hangs = 0, wrongTexts = 0;
    size_t closePoints = 0, closeWrong = 0;  // on the ID program's deselect
    size_t erasedUnidentified = 0, leftSelected = 0, strays = 0, leftBroken = 0;
    // Power cuts, and how many left a camera that only the record mends.
    size_t programCuts = 0, eraseCuts = 0, programCutsNeedRecord = 0, eraseCutsNeedRecord = 0;
    size_t mostCalls = 0;
    uint64_t longestMs = 0;
    std::vector<std::string> failures;

    void Add(const Tally& t) {
        points += t.points;
        survived += t.survived;
        successes += t.successes;
        falseSuccesses += t.falseSuccesses;
        hangs += t.hangs;
        wrongTexts += t.wrongTexts;
        erasedUnidentified += t.erasedUnidentified;
        leftSelected += t.leftSelected;
        strays += t.strays;
        leftBroken += t.leftBroken;
        closePoints += t.closePoints;
        closeWrong += t.closeWrong;
        programCuts += t.programCuts;
        eraseCuts += t.eraseCuts;
        programCutsNeedRecord += t.programCutsNeedRecord;
        eraseCutsNeedRecord += t.eraseCutsNeedRecord;
    }
};

// The camera the fault left is mended by the next run: it ends with the
// image in the flash, committed by that run, or found whole and called
// current (a commit leaves no mark in the flash to read).
bool Mended(const Outcome& next) {
    return next.flashUpdated && (next.TrueSuccess() || next.SaidCurrent());
}

void Judge(const Road& road, Fault fault, size_t k, const Outcome& o, const Outcome& next,
           uint64_t timeBound, Tally& t) {
    ++t.points;
    if (o.calls > t.mostCalls) t.mostCalls = o.calls;
    if (o.ms > t.longestMs) t.longestMs = o.ms;
    const bool hung = o.Hung() || o.ms > timeBound;
    const bool known = OneOfTheProgramsTexts(o.status);
    const auto note = [&](const char* what) {
        char head[128];
        std::snprintf(head, sizeof head, "%s, %s call %zu: %s (calls %zu, %llu ms, ticks %d)\n  ",
                      RoadName(road), FaultName(fault), k, what, o.calls,
                      static_cast<unsigned long long>(o.ms), o.ticks);
        t.failures.push_back(head + Show(o));
    };
    if (hung) ++t.hangs, note("hang");
    if (!known) ++t.wrongTexts, note("not one of the program's texts");
    if (o.FalseSuccess()) ++t.falseSuccesses, note("false success");
    if (o.ErasedWithoutIdentification()) ++t.erasedUnidentified, note("erased without identification");
    if (o.strayRequests) ++t.strays, note("request to a passed-over camera");
    // A wait that gave up deselects; a lost request or a gone camera may not.
    const bool waitGaveUp = fault == Fault::StuckBusy || fault == Fault::StuckWip;
    if (waitGaveUp && o.leftSelected) ++t.leftSelected, note("flash left selected");
    const bool broken = !Mended(next);
    if (broken) ++t.leftBroken, note("left broken"), t.failures.back() += "\n  the run after it: " + Show(next);
    if (o.TrueSuccess()) ++t.successes;
    if (!hung && known && !o.FalseSuccess() && !o.ErasedWithoutIdentification() && !o.strayRequests &&
        !(waitGaveUp && o.leftSelected) && !broken)
        ++t.survived;
}

// Power cuts inside the clean run's writes: inside every few programs (and
// every one in the page of the FlashTypeCode, the ID program and the last),
// and at moments through the erase.
constexpr size_t kProgramStride = 16;
constexpr double kEraseMoments[] = {0.0005, 0.01, 0.1, 0.3, 0.5, 0.7, 0.9, 0.99, 0.9995};

std::vector<std::pair<Fault, Cut>> CutsInside(const std::vector<simcam::BusySpan>& spans) {
    std::vector<std::pair<Fault, Cut>> cuts;
    const auto at = [](const simcam::BusySpan& span, double moment) {
        return span.startUs + uint64_t(double(span.endUs - span.startUs) * moment);
    };
    size_t programs = 0;
    for (size_t i = 0; i < spans.size(); ++i) {
        const simcam::BusySpan& span = spans[i];
        const uint32_t seed = uint32_t(i);
        if (span.kind == simcam::BusySpan::Kind::Erase) {
            for (double moment : kEraseMoments) cuts.push_back({Fault::CutInErase, {at(span, moment), seed}});
        } else if (span.kind == simcam::BusySpan::Kind::Program) {
            const bool codePage = span.address / 256 == 0xC000 / 256;
            const bool idProgram = span.length == 4;
            if (programs++ % kProgramStride == 0 || codePage || idProgram || i + 1 == spans.size())
                cuts.push_back({Fault::CutInProgram, {at(span, 0.5), seed}});
        }
    }
    return cuts;
}

TEST(FaultMatrix, EveryCallOfAWholeUpdateOnEveryRoad) {
    Tally total;
    for (const Road& road : kRoads) {
        const Outcome clean = RunWithFault(road, Fault::None, 0, kMostCalls);
        ASSERT_TRUE(clean.TrueSuccess()) << RoadName(road) << ": " << Show(clean);
        const size_t n = clean.calls;
        const size_t deselect = IdProgramDeselect(clean.trace);
        ASSERT_LT(deselect, n) << RoadName(road) << ": no deselect after the ID program";

        Tally t;
        // The run after a fault, on this computer: the records the faulted run kept.
        const auto strike = [&](Fault fault, size_t k, Cut cut) {
            TempFolder state;
            const Outcome o = RunWithFault(road, fault, k, kCallFactor * n, nullptr, cut, state.Name());
            const Outcome next = RunWithFault(road, Fault::None, 0, kMostCalls, &o.flash, Cut(), state.Name());
            Judge(road, fault, k, o, next, clean.ms + kExtraTimeMs, t);
            const bool powerCut = fault == Fault::CutInProgram || fault == Fault::CutInErase;
            if (!powerCut && std::count(std::begin(kIdProgramClose), std::end(kIdProgramClose), k - deselect)) {
                const Outcome elsewhere = RunWithFault(road, Fault::None, 0, kMostCalls, &o.flash);
                ++t.closePoints;
                if ((fault == Fault::FailOnce && !o.TrueSuccess()) || !Mended(elsewhere))
                    ++t.closeWrong, t.failures.push_back(std::string(RoadName(road)) + ", " + FaultName(fault) +
                                                         " the ID program's deselect, call " + std::to_string(k) +
                                                         "\n  " + Show(o) + "\n  elsewhere: " + Show(elsewhere));
            }
            if (!powerCut) return;
            // On another computer, with no record of it.
            const Outcome elsewhere = RunWithFault(road, Fault::None, 0, kMostCalls, &o.flash);
            const bool program = fault == Fault::CutInProgram;
            ++(program ? t.programCuts : t.eraseCuts);
            if (!Mended(elsewhere)) ++(program ? t.programCutsNeedRecord : t.eraseCutsNeedRecord);
            if (!Mended(elsewhere) && program)
                t.failures.push_back(std::string(RoadName(road)) + ", power cut inside program " +
                                     std::to_string(k) + ": not mended without the record\n  " + Show(elsewhere));
        };
        for (Fault fault : kFaults)
            for (size_t k = 0; k < n; ++k) strike(fault, k, Cut());
        const auto cuts = CutsInside(clean.spans);
        for (size_t k = 0; k < cuts.size(); ++k) strike(cuts[k].first, k, cuts[k].second);

        std::printf("%s: N = %zu calls (%llu ms camera time clean), fault points: %zu x N + %zu power cuts = %zu, "
                    "survived: %zu, true successes: %zu, false successes: %zu, hangs: %zu, "
                    "erased without identification: %zu, left selected: %zu, passed-over camera "
                    "requests: %zu, wrong texts: %zu, left broken: %zu; most calls %zu, longest %llu ms\n",
                    RoadName(road), n, static_cast<unsigned long long>(clean.ms), std::size(kFaults), cuts.size(),
                    t.points, t.survived, t.successes, t.falseSuccesses, t.hangs,
                    t.erasedUnidentified, t.leftSelected, t.strays, t.wrongTexts, t.leftBroken, t.mostCalls,
                    static_cast<unsigned long long>(t.longestMs));
        EXPECT_EQ(t.points, std::size(kFaults) * n + cuts.size());
        for (size_t i = 0; i < t.failures.size() && i < 10; ++i) ADD_FAILURE() << t.failures[i];
        total.Add(t);
    }
    std::printf("fault points: %zu, survived: %zu, true successes: %zu, false successes: %zu, "
                "hangs: %zu, erased without identification: %zu, left selected: %zu, "
                "passed-over camera requests: %zu, wrong texts: %zu, left broken: %zu\n",
                total.points, total.survived, total.successes, total.falseSuccesses, total.hangs,
                total.erasedUnidentified, total.leftSelected, total.strays, total.wrongTexts,
                total.leftBroken);
    std::printf("fault points, power cuts: inside programs %zu, inside the erase %zu; left broken without the "
                "record (another computer): inside programs %zu, inside the erase %zu\n",
                total.programCuts, total.eraseCuts, total.programCutsNeedRecord, total.eraseCutsNeedRecord);
    std::printf("fault points on the ID program's deselect: %zu, not a true success when struck once or left "
                "broken without the record: %zu\n",
                total.closePoints, total.closeWrong);
    std::fflush(stdout);
    EXPECT_GT(total.points, 0u);
    EXPECT_GT(total.programCuts, 0u);
    EXPECT_GT(total.eraseCuts, 0u);
    EXPECT_EQ(total.survived, total.points);
    EXPECT_EQ(total.falseSuccesses, 0u);
    EXPECT_EQ(total.hangs, 0u);
    EXPECT_EQ(total.erasedUnidentified, 0u);
    EXPECT_EQ(total.leftSelected, 0u);
    EXPECT_EQ(total.strays, 0u);
    EXPECT_EQ(total.wrongTexts, 0u);
    EXPECT_EQ(total.leftBroken, 0u);
    EXPECT_EQ(total.programCutsNeedRecord, 0u);
    EXPECT_EQ(total.closePoints, std::size(kRoads) * std::size(kFaults) * std::size(kIdProgramClose));
    EXPECT_EQ(total.closeWrong, 0u);
}

}  // namespace
