#include <cstdio>
#include <cstring>

#include "chip/cam_device.h"
#include "firmware/command_tables.h"
#include "firmware/flash_layout.h"
#include "link/xu_channel.h"
#include "link/xu_selectors.h"
#include "platform/clock.h"

namespace {

// One packet at a time is built here; the camera's reported packet length
// must fit it. The read-back of the flash reuses it, a block at a time.
constexpr uint32_t kPacketBufferBytes = kFlashBlockBytes;

// The engine needs a moment after the checksum read before the verdict.
constexpr uint32_t kChecksumSettleMs = 1000;

// What a request that fails says, and whether its resend counts against
// the verdict.
struct ResendRule {
    const char* failed;       // the attempt whose result counts failed
    const char* resend;       // before the resend
    const char* failedAgain;  // the resend failed too
    const char* recovered;    // the resend succeeded
    bool counted;
};

constexpr ResendRule kEnableRule = {
    "put_Property XU_DFU_ENABLE_CONTROL = 1 fail.\r\n",
    "Resend Command XU_DFU_ENABLE_CONTROL.\r\n",
    "put_Property XU_ISP_ENABLE = 1 fail.\r\n",
    "put_Property XU_ISP_ENABLE = 1 has been recovered.\r\n",
    true,
};
constexpr ResendRule kSizeRule = {
    "get_PropertySize XU_DFU_ACCESS_CONTROL fail.\r\n",
    "Resend Command XU_DFU_ACCESS_CONTROL.\r\n",
    "get_PropertySize XU_DFU_ACCESS_CONTROL fail.\r\n",
    "get_PropertySize XU_DFU_ACCESS_CONTROL has been recovered.\r\n",
    true,
};
constexpr ResendRule kPacketRule = {
    "put_Property XU_DFU_ACCESS_CONTROL fail.\r\n",
    "Resend Command.\r\n",
    "put_Property XU_DFU_ACCESS_CONTROL fail.\r\n",
    "put_Property XU_DFU_ACCESS_CONTROL has been recovered.\r\n",
    true,
};
constexpr ResendRule kChecksumRule = {
    "get_Property XU_DFU_CHECKSUM fail.\r\n",
    "Resend Command fail.\r\n",
    "get_Property XU_DFU_CHECKSUM fail.\r\n",
    "get_Property XU_DFU_CHECKSUM has been recovered.\r\n",
    true,
};
constexpr ResendRule kDisableRule = {
    "put_Property XU_DFU_ENABLE_CONTROL = 0 fail.\r\n",
    "Resend Command.\r\n",
    "put_Property XU_DFU_ENABLE_CONTROL = 0 fail.\r\n",
    "put_Property XU_DFU_ENABLE_CONTROL = 0 has been recovered.\r\n",
    false,
};

// Given the result of the attempt that counts, resends once if it failed.
// True when the request went through, at once or on its resend.
template <class Request>
bool WithResend(HRESULT result, const ResendRule& rule, Request request, std::string& log,
                uint32_t& retries) {
    if (result >= 0) return true;
    log += rule.failed;
    log += rule.resend;
    if (rule.counted) ++retries;
    if (request() < 0) {
        log += rule.failedAgain;
        return false;
    }
    log += rule.recovered;
    return true;
}

// A packet length this program can send: it must move the transfer on, fit
// the packet buffer, and fit one request of the driver path in use.
bool UsablePacketLength(ULONG length) {
    return length > 0 && length <= kPacketBufferBytes && length <= pExt->MaxWriteBytes();
}

// The packet length query; a length that cannot be used counts as a failed
// query, and a query that answers without a length leaves it at 0.
HRESULT QueryPacketLength(ULONG& length, std::string& log) {
    length = 0;
    HRESULT hr = pExt->get_PropertySize(XU_DFU_ACCESS_CONTROL, &length);
    if (hr >= 0 && !UsablePacketLength(length)) {
        char line[80];
        std::snprintf(line, sizeof line, "XU_DFU_ACCESS_CONTROL packet length %lu unusable.\r\n",
                      (unsigned long)length);
        log += line;
        return E_FAIL;
    }
    return hr;
}

// One download: the steps of the protocol in order, each reporting whether
// the download may go on to the next.
class DownloadRun {
public:
    DownloadRun(CCamDevice& device, const uint8_t* image, uint32_t length, std::string& log,
                DownloadObserver* observer)
        : device_(device), image_(image), length_(length), log_(log), observer_(observer) {}

    int32_t Run(int32_t flashType) {
        for (uint32_t i = 0; i < length_; ++i) checksum_ ^= image_[i];
        // An engine that did not get its whole table would program with the
        // wrong commands while its checksum still agreed: nothing is sent.
        bool tableSent = false;
        LoadCommandTable(flashType, &tableSent);
        if (!tableSent) {
            log_ += "LoadCommandTable fail.\r\n";
            Fault(DownloadStep::CommandTable, E_FAIL);
            failure_ = 1;
        } else if (Enable() && LearnPacketLength() && SendPackets() && ReadChecksum()) {
            WaitMs(kChecksumSettleMs);
            Verdict();
        }
        if (!Disable() || failure_ != 0 || retries_ != 0) {
            Tell();
            return 0;
        }
        if (VerifyFlash()) return 1;
        Tell();
        return 0;
    }

private:
    bool Enable() {
        const BYTE value = BYTE(device_.targetIndex * 2 + 1);
        auto send = [&] { return pExt->put_Property(XU_DFU_ENABLE_CONTROL, 1, &value); };
        return WithResend(Noted(DownloadStep::Enable, send()), kEnableRule, send, log_, retries_);
    }

    // Asked twice in a row; only the second answer counts.
    bool LearnPacketLength() {
        pExt->get_PropertySize(XU_DFU_ACCESS_CONTROL, &packetLength_);
        auto query = [&] { return QueryPacketLength(packetLength_, log_); };
        return WithResend(Noted(DownloadStep::PacketLength, query()), kSizeRule, query, log_, retries_);
    }

    // The last packet is filled up with 0xFF; each fill byte is part of what
    // the camera checksums, which for 0xFF complements the XOR.
    bool SendPackets() {
        bool first = true;
        for (uint32_t position = 0; position < length_;) {
            const uint32_t rest = length_ - position;
            const uint32_t take = rest < packetLength_ ? rest : packetLength_;
            std::memcpy(packet_, image_ + position, take);
            for (uint32_t fill = take; fill < packetLength_; ++fill) {
                packet_[fill] = 0xFF;
                checksum_ = uint8_t(~checksum_);
            }
            position += take;

            auto send = [&] { return pExt->put_Property(XU_DFU_ACCESS_CONTROL, packetLength_, packet_); };
            const HRESULT result = send();
            const bool idsClosed = !first || ProgramIds();
            first = false;
            if (!idsClosed) return false;
            if (!WithResend(Noted(DownloadStep::Packets, result), kPacketRule, send, log_, retries_)) return false;
            if (observer_) observer_->OnProgress(position, length_);
        }
        return true;
    }

    // The vendor and product IDs go straight into the flash once, right after
    // the first packet; the outcome does not change the verdict, which the
    // checksum and the read-back give. An image too short to hold them has
    // nothing to program there. False only when the program could not be
    // closed: the flash is still selected, and whatever the engine clocks
    // next would be programmed into it, so the download stops here.
    bool ProgramIds() {
        if (length_ < kVendorIdOffset + kIdBytes) return true;
        FlashProgramRequest ids = {{BYTE(kVendorIdOffset >> 16), BYTE(kVendorIdOffset >> 8),
                                    BYTE(kVendorIdOffset)},
                                   {},
                                   kIdBytes};
        std::memcpy(ids.data, image_ + kVendorIdOffset, kIdBytes);
        HRESULT deselect = S_OK;
        if (device_.FlashProgramBytes(ids, &deselect)) return true;
        log_ += "FlashProgramBytes fail.\r\n";
        if (deselect >= 0) return true;
        log_ += "FlashProgramBytes could not deselect the flash.\r\n";
        Fault(DownloadStep::ProgramIds, deselect);
        failure_ = 1;
        return false;
    }

    // A failed read is repeated once without a word before the counted resend.
    bool ReadChecksum() {
        packet_[0] = 0;
        auto read = [&] { return pExt->get_Property(XU_DFU_CHECKSUM, 1, packet_); };
        HRESULT result = read();
        if (result < 0) result = read();
        return WithResend(Noted(DownloadStep::Checksum, result), kChecksumRule, read, log_, retries_);
    }

    // Any counted resend makes the verdict bad, whatever the checksums say.
    void Verdict() {
        char line[80];
        const uint8_t reported = packet_[0];
        if (reported == checksum_ && retries_ == 0) {
            std::snprintf(line, sizeof line, "checksum correct = %02X \r\n", checksum_);
            log_ += line;
            const BYTE commit = 1;
            if (Noted(DownloadStep::Commit, pExt->put_Property(DL_FINISH_PROCESS, 1, &commit)) < 0) {
                failure_ = 1;
                log_ += "DL_FINISH_PROCESS fail.\r\n";
                return;
            }
        } else {
            log_ += "XU_DFU_CHECKSUM incorrect\r\n";
            Fault(DownloadStep::ChecksumMismatch, S_OK);
            std::snprintf(line, sizeof line, "FW get checksum (%x) != Code checksum(%x) \r\n",
                          unsigned(reported), unsigned(checksum_));
            log_ += line;
            failure_ = 1;
        }
        if (device_.targetResults) device_.targetResults[device_.targetIndex] = uint8_t(failure_);
    }

    // The checksum covers what the engine received, not what the flash
    // kept: a verified download is read back through the flash read path
    // and compared with the image, so that a flash that did not take the
    // data is never reported as updated.
    bool VerifyFlash() {
        ULONG step = 0;
        if (Noted(DownloadStep::Verify, device_.FlashReadLength(&step)) < 0) {
            log_ += "Flash verify fail: no read length.\r\n";
            return false;
        }
        const uint32_t end = length_ < kFirmwareImageSize ? length_ : kFirmwareImageSize;
        for (uint32_t address = 0; address < end; address += step) {
            const uint32_t count = end - address < step ? end - address : step;
            const HRESULT read = Noted(DownloadStep::Verify, device_.ReadFlash(packet_, address, step));
            if (read < 0 || std::memcmp(packet_, image_ + address, count) != 0) {
                Fault(DownloadStep::Verify, read);
                char line[64];
                std::snprintf(line, sizeof line, "Flash verify fail at %06X.\r\n", unsigned(address));
                log_ += line;
                return false;
            }
        }
        return true;
    }

    bool Disable() {
        const BYTE value = 0;
        auto send = [&] { return pExt->put_Property(XU_DFU_ENABLE_CONTROL, 1, &value); };
        return WithResend(Noted(DownloadStep::Disable, send()), kDisableRule, send, log_, retries_);
    }

    // The first fault is the one that says why; later ones follow from it.
    void Fault(DownloadStep step, HRESULT result) {
        if (fault_.step == DownloadStep::None) fault_ = {step, result};
    }
    HRESULT Noted(DownloadStep step, HRESULT result) {
        if (result < 0) Fault(step, result);
        return result;
    }
    void Tell() {
        if (observer_ && fault_.step != DownloadStep::None) observer_->OnFault(fault_);
    }

    CCamDevice& device_;
    const uint8_t* image_;
    uint32_t length_;
    std::string& log_;
    DownloadObserver* observer_;
    uint8_t checksum_ = 0;
    uint32_t retries_ = 0;
    int failure_ = 0;
    ULONG packetLength_ = 0;
    DownloadFault fault_;
    BYTE packet_[kPacketBufferBytes];
};

}  // namespace

int32_t CCamDevice::DownloadFirmware(const uint8_t* image, uint32_t length, std::string& log,
                                     int32_t flashType, DownloadObserver* observer) {
    log += "Downloading...\r\n";
    if (!image) {
        log += "Download Data is NULL!\r\n";
        return 0;
    }
    if (!pExt) {
        log += "NULL pExt Pointer fail.\r\n";
        return 0;
    }
    DownloadRun run(*this, image, length, log, observer);
    return run.Run(flashType);
}
