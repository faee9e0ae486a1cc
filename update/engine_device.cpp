// The engine's hold on its camera: made, let go, and read a block at a
// time; what the check, the reopen and the close share.
#include <cstring>

#include "firmware/firmware_image.h"
#include "platform/state_folder.h"
#include "update/log_lines.h"
#include "update/update_engine.h"

CUpdateEngine::CUpdateEngine()
    : loadImage([](int id, std::unique_ptr<uint8_t[]>* image, int32_t* size) {
          return LoadFirmwareImage(id, image, size) == FirmwareStatus::Ok;
      }),
      history(StateFolder()) {}

CUpdateEngine::~CUpdateEngine() { ReleaseDevice(); }

void CUpdateEngine::ReleaseDevice() {
    if (!device_) return;
    CCamDevice::CloseChannel();
    delete device_;
    device_ = nullptr;
}

void CUpdateEngine::LetGo() {
    if (pulseAtLetGo_) CCamDevice::PulseDownloadEnable();
    pulseAtLetGo_ = false;
    ReleaseDevice();
}

// A block read that fails, or that stops short of the bytes the check
// needs, leaves nothing to decide on: the buffer is set to the erased-flash
// pattern first, and the failure goes to the log.
bool CUpdateEngine::ReadBlock(int32_t block, size_t needed, std::string& log) {
    std::memset(readBuffer_.get(), 0xFF, kFlashBlockBytes);
    ULONG length = 0;
    if (device_->ReadFlashBlock(readBuffer_.get(), block, &length) >= 0 && length >= needed) return true;
    AppendLine(log, "ReadFlashBlock " + std::to_string(block) + " fail.\r\n");
    return false;
}
