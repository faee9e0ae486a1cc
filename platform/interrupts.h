// Interrupt and terminate (Ctrl-C, Ctrl-Break, closing the console on
// Windows; on Linux also a terminal that hangs up, quit and the job-control
// stops): before the download they end the program with nothing written;
// while it runs they are held off with a line saying why, since a camera
// left half-written no longer starts. A reader of the output that goes
// away never ends the program.
#pragma once

#include <string>

// Installs the handlers; call once, before anything reaches the camera.
// An interrupt held off is only counted: the program says it itself, on a
// line of its own (TakeHeldOffInterrupts). On Windows a close, log-off or
// shut-down during the download, which the system, not the program,
// decides to cut, is said at once on standard error in `program`'s name:
// the process may not live to say it otherwise.
void InstallInterruptGuard(const std::string& program);
// True once an interrupt has ended the program's chances of writing.
bool Interrupted();
// True when that interrupt was the terminal going away (a hang-up, a
// console closed), not a person's Ctrl-C.
bool TerminalHungUp();
// How many interrupts the download has held off since the last call.
int TakeHeldOffInterrupts();
// Moves into the download: false when an interrupt came first, and then
// the download must not start. From true on, interrupts are held off.
bool EnterDownload();
// The download's worker thread exists (it must never take a signal, which
// would break into its requests to the camera).
void WorkerStarted();
// The download has reached its verdict, or the run turned back after
// EnterDownload.
void LeaveDownload();
// A run begins in a process whose earlier run wrote: interrupts end it
// again until its own download. One that stopped the program still does.
void BeginRun();

// The phases an interrupt can meet, kept in interrupt_phases.cpp for every
// system; each system's handlers only report interrupts to it.
enum InterruptPhase : int { kBeforeDownload = 0, kDownloading = 1, kStopped = 2, kDownloaded = 3 };

// An interrupt has come (`hangUp`: the terminal went away): the phase it
// met. kBeforeDownload: it has stopped the program; kDownloading: it is
// held off, and counted. Safe in a signal handler.
InterruptPhase TakeInterrupt(bool hangUp);
// Between a true EnterDownload and LeaveDownload.
bool DownloadRunning();
// The system's own: keep interrupts from the calling thread and the
// threads it makes from now on, or no longer.
void MaskInterruptsInThisThread(bool masked);
