// The update itself, for any front end: the check that decides whether a
// camera needs new firmware, and the download that writes it on a worker
// thread. Front ends show what the report says and what the observer is
// told; they never reach the camera themselves. Nothing here needs a
// window, a terminal or a particular system.
// Results: Check returns its report; StartDownload returns 1 when the
// worker owns the run (its verdict reaches the observer), else 0, with the
// reason in the transfer log; nothing is thrown.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chip/cam_device.h"
#include "update/check_report.h"
#include "update/update_history.h"

// Told of one download, on its worker thread.
class UpdateObserver {
public:
    // Bytes the camera's engine has taken, of the image's length.
    virtual void OnProgress(uint32_t /*bytesDone*/, uint32_t /*bytesTotal*/) {}
    // Whole lines the download has just added to the transfer log.
    virtual void OnLogLines(const std::string& /*lines*/) {}
    // The download's result, 1 for verified and committed; the last call.
    // From here on the transfer log is the front end's again.
    virtual void OnVerdict(int32_t result) = 0;

protected:
    ~UpdateObserver() = default;
};

// The question both programs ask before writing an image that is not for
// the chip, in the words the camera's firmware tools have always used.
constexpr char kWrongImageQuestion[] = "It seems that the bincode is NOT for the IC\nDo you really want to download?";
constexpr char kWrongImageCaption[] = "Warning";
// TooShort is logged.
ImageFit ExamineImage(const uint8_t* image, int32_t size, std::string& log);

class CUpdateEngine : private DownloadObserver {
public:
    using ImageLoader = std::function<bool(int id, std::unique_ptr<uint8_t[]>* image, int32_t* size)>;

    CUpdateEngine();
    // The camera is let go without the enable pulse.
    ~CUpdateEngine();
    CUpdateEngine(const CUpdateEngine&) = delete;
    CUpdateEngine& operator=(const CUpdateEngine&) = delete;

    // Opens the first camera of the family and decides; the camera stays
    // open until LetGo or the next check. Appends to log.
    CheckReport Check(std::string& log);
    // The same through `source` alone (null: no camera); the download's
    // reopen walks the source the last check walked.
    CheckReport Check(std::string& log, CameraSource* source);

    // The image to write, on a report whose verdict is Update and while the
    // checked camera is held: clears the pre-download bits of register
    // 0x20BA, waits for the board and reads its choice in 0x2045, then
    // loads and examines that image (report's image fields). Only a run
    // that goes on to write calls it. false: the report's verdict is now
    // Failed (an image missing), or there was nothing to choose for.
    bool ChooseImage(CheckReport* report, std::string& log);

    // Opens the camera again, confirms it is the one checked, patches the
    // image ChooseImage chose (and examined: checked.imageFit) for its flash
    // and starts the worker. An image not for the chip is written only
    // with writeAnyway, which a person's yes alone may give; a short one
    // never. log is the worker's alone until the observer's OnVerdict.
    // goAhead, where given, is asked once the camera is confirmed, before
    // anything is written or recorded: false stops the start there.
    int32_t StartDownload(const CheckReport& checked, UpdateObserver& observer, std::string& log,
                          bool writeAnyway = false, const std::function<bool()>& goAhead = nullptr);
    // The image ChooseImage chose, as the download writes it (patched once
    // the download has started); empty until one was chosen.
    const std::vector<uint8_t>& ChosenImage() const { return image_; }

    // Lets the camera go, first telling it to carry on (the enable pulse)
    // when the last check decided no update: a camera that is current, not
    // ours, or not found. Not while a download runs.
    void LetGo();

    // Waits for the running download's verdict, calling meanwhile every
    // everyMs (a front end draws its progress there); the result, 1 for
    // verified and committed. The worker's own waits are bounded, so this
    // ends when it does.
    int32_t WaitForVerdict(uint32_t everyMs, const std::function<void()>& meanwhile);
    // Why the last download did not start or failed; None after a success.
    // Read it once the verdict is in.
    Failure DownloadFailure() const { return downloadFailure_; }
    // A device object is held: from the check, or the download's reopen,
    // until LetGo.
    bool HoldsDevice() const { return device_ != nullptr; }

    // Where the program's images come from; tests put their own in place.
    ImageLoader loadImage;
    // The record of this computer's updates, and the program that makes
    // them ("korvane-update 1.0.0"), for its records.
    UpdateHistory history;
    std::string program = "korvane";
    // Why the last download's record could not be written or finished; ""
    // when it was. Read it once the verdict is in.
    const std::string& RecordProblem() const { return recordProblem_; }

private:
    enum class Firmware { Stale, Current, Unknown };
    bool ReadBlock(int32_t block, size_t needed, std::string& log);
    CheckReport CheckCamera(std::string& log);
    void NameRelease(CheckReport* report);
    Vouch VouchFor(CheckReport* report, std::string& log);
    bool StillVouches(Vouch vouch, std::string& log);
    bool LastUpdateUnfinished(CheckReport* report, std::string& log);
    void BeginRecord(const CheckReport& checked, std::string& log);
    Firmware FirmwareState(CheckReport* report, std::string& log);
    Firmware FlashAgainstImages(CheckReport* report, std::string& log);
    Firmware OursInFlash(int id, FlashContent content, CheckReport* report, std::string& log);
    Firmware ReadWholeFlash(uint8_t* flash, CheckReport* report, std::string& log);
    bool LoadProgramImage(int id, std::vector<uint8_t>* image, CheckReport* report, std::string& log);
    bool PatchedImage(int id, CheckReport* report, std::vector<uint8_t>* image, std::string& log);
    bool MayWrite(const CheckReport& checked, bool writeAnyway);
    bool ReopenChecked(const CheckReport& checked, std::string& log);
    void LaunchWorker(uint8_t flashTypeIndex, UpdateObserver& observer, std::string& log);
    bool SameCameraAsChecked(const CheckReport& checked, std::string& log);
    void ReleaseDevice();
    static uint32_t DownloadWorker(void* self);
    void OnProgress(uint32_t bytesDone, uint32_t bytesTotal) override;
    void OnFault(const DownloadFault& fault) override;
    void ForwardLines();

    CCamDevice* device_ = nullptr;
    CameraSource* source_ = nullptr;  // the last check's: the reopen walks it
    std::unique_ptr<uint8_t[]> readBuffer_;
    std::vector<uint8_t> image_;  // the image ChooseImage chose

    // The download in flight, set before its worker starts.
    struct InFlight {
        uint8_t flashTypeIndex = 0;
        UpdateObserver* observer = nullptr;
        std::string* log = nullptr;
        size_t linesSent = 0;  // how far OnLogLines has reached
        std::string recordId;  // "" when no record could be begun
    } run_;
    std::string recordProblem_;
    bool pulseAtLetGo_ = false;  // the last check decided no update
    Failure downloadFailure_ = Failure::None;
    std::atomic<bool> verdictIn_{false};
    int32_t verdict_ = 0;
};
