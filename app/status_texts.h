// Every text the update window shows the user (its one question is the
// engine's, since the console program asks it too). The
// camera's firmware tools have always said these words; they stay byte for
// byte (8-bit, CR LF line ends).
#pragma once

constexpr char kCheckingText[] = "Checking...\r\n";
constexpr char kNoPowerText[] = "Please plug in AC power line,\r\nand re-start this tool.";
constexpr char kNoCameraText[] = "No need to update\r\n";
constexpr char kNotOursText[] = "No need to update!!!\r\n";
constexpr char kCurrentText[] = "No need to update!\r\n";
constexpr char kUpdatingV0308Text[] = "Auto updating...(V0308)\r\n";
constexpr char kUpdatingV0309Text[] = "Auto updating...(V0309)\r\n";
constexpr char kUpdateCompleteText[] = "Update complete!\r\nPlease close this program.\r\n";
// A run that cannot go on: the check, the reopen or the download failed.
constexpr char kUpdateFailText[] = "Update fail,\r\nPlease re-start this program.\r\n";

