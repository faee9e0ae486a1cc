#include "simcam/controls.h"

namespace simcam {

namespace {

constexpr ControlRow kControls[] = {
    // selector            length from         len  set    get
    {kSelRegAddress,       LengthFrom::Fixed,  2,   true,  true},
    {kSelRegData,          LengthFrom::Fixed,  1,   true,  true},
    {kSelWideAddress,      LengthFrom::Fixed,  2,   true,  true},
    {kSelWideData,         LengthFrom::Fixed,  2,   true,  true},
    {kSelCmdSlot,          LengthFrom::Fixed,  1,   true,  true},
    {kSelCmdValue,         LengthFrom::Fixed,  1,   true,  true},
    {kSelDownloadEnable,   LengthFrom::Fixed,  1,   true,  true},
    {kSelDownloadData,     LengthFrom::Packet, 0,   true,  false},
    {kSelChecksum,         LengthFrom::Fixed,  1,   false, true},
    {kSelFinish,           LengthFrom::Fixed,  1,   true,  false},
    {kSelReadAddress,      LengthFrom::Fixed,  4,   true,  false},
    {kSelFlashData,        LengthFrom::Block,  0,   false, true},
    {kSelFlashMode,        LengthFrom::Fixed,  1,   true,  false},
};

}  // namespace

const ControlRow* FindControl(uint32_t selector) {
    for (const ControlRow& row : kControls)
        if (row.selector == selector) return &row;
    return nullptr;
}

}  // namespace simcam
