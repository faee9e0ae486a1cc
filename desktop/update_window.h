// The update window: a header bar with Update (offered only when an update
// is due and the computer is on mains power) and Check Again (where the
// state may change); one plain sentence for the state, what to do where
// there is something to do, a command to copy where one helps; the camera
// and the firmware it holds; the write's progress; the other cameras
// attached, each to check instead; and the transfer log. It checks when it
// opens and writes only when Update is pressed; while the write runs it
// cannot be closed. Every state is said in the status line, whose
// accessible name changes with it, so that a screen reader announces it.
// The window is as large as what it shows: it grows and shrinks with it.
#pragma once

#include <gtkmm.h>

#include <memory>
#include <string>
#include <vector>

#include "update/run_async.h"

// A label of the given role, which GTK 4.8 sets only as a widget is made;
// owned by the container it is put in.
Gtk::Label* RoleLabel(GtkAccessibleRole role);

class UpdateWindow : public Gtk::ApplicationWindow, private AsyncRunView {
public:
    // Runs at once, with the run's policy: the lock, then the check.
    explicit UpdateWindow(const RunPolicy& policy);
    ~UpdateWindow() override;

    // A terminating signal or the session's end: closes now, or once the
    // run lets it (after the check; never before a write's verdict).
    void CloseWhenAllowed();

private:
    enum class Stage { Checking, Due, Writing, Ended };
    // Nothing is written before Update: the run's question waits for it.

    void Build();
    void BuildHeader();
    void BuildLog();
    void BuildFields(Gtk::Grid& grid);
    void BuildCommand();
    // A new run on `device` ("" for the first camera), the window as at
    // its opening.
    void StartRun(const std::string& device);
    void Say(const std::string& status, const std::string& detail = "");
    void Notice(const std::string& words);
    void Fit();  // at the next idle: one resize for all of a state's changes
    bool Refit();
    void on_realize() override;
    void size_allocate_vfunc(int width, int height, int baseline) override;
    int HeightMissing();
    void NaturalSize(GdkToplevelSize* size);
    bool OnCloseRequest();
    void OnUpdate();
    void OnCheckAgain(const std::string& device);

    void ShowFound(const CheckReport& found);
    void ShowOthers(const std::string& shown);
    void ShowBytes(const std::string& words);  // the bar at the last progress
    void AskNotForChip(Reply reply);

    // The run's view, on GTK's thread.
    void Checking() override;
    void Attached(const std::vector<AttachedCamera>& cameras) override;
    void Describe(const CheckReport& found) override;
    void Note(const std::string& note) override;
    void Ask(Question question, const CheckReport& found, Reply reply) override;
    void Writing(const CheckReport& found) override;
    void Progress(uint32_t done, uint32_t total) override;
    void LogAdded(const std::string& lines) override;
    void ShowVerdict(const RunVerdict& verdict, const CheckReport& found) override;
    void Ended() override;

    const RunPolicy policy_;
    Gtk::HeaderBar header_;
    Gtk::Button update_{"_Update", true}, checkAgain_{"_Check Again", true};
    Gtk::Box box_{Gtk::Orientation::VERTICAL, 12};
    // The status line announces: a status role, whose name is its words;
    // the notice, an alert.
    Gtk::Label* status_ = RoleLabel(GTK_ACCESSIBLE_ROLE_STATUS);
    Gtk::Label detail_;
    Gtk::Box commandRow_{Gtk::Orientation::HORIZONTAL, 6};
    Gtk::Label command_;
    Gtk::Button copy_{"C_opy", true};
    Gtk::ProgressBar progress_;
    Gtk::Grid fields_;
    Gtk::Label cameraCaption_{"Camera:"}, firmwareCaption_{"Firmware:"}, newCaption_{"New firmware:"};
    Gtk::Label camera_, firmware_, new_;
    Gtk::Box others_{Gtk::Orientation::VERTICAL, 6};
    Gtk::Label* notice_ = RoleLabel(GTK_ACCESSIBLE_ROLE_ALERT);
    Gtk::Expander logExpander_{"_Transfer log", true};
    Gtk::ScrolledWindow logScroll_;
    Gtk::TextView log_;
    std::unique_ptr<Gtk::MessageDialog> question_;

    Stage stage_ = Stage::Checking;
    bool closeWanted_ = false;   // closed while checking or asking: close once the run ends
    Reply consent_;  // the question to write, answered by Update or the close
    uint64_t writingSinceMs_ = 0;
    uint32_t done_ = 0, total_ = 0;  // the write's last progress
    std::string notes_;
    std::string device_;  // the camera chosen, "" for the first
    std::vector<AttachedCamera> attached_;  // every camera of the family, as the run found them
    sigc::connection fit_;
    int refitAt_ = 0;  // the height last found not to fit the content
    guint inhibited_ = 0;  // the session's end held off while writing
    std::unique_ptr<CRunAsync> run_;  // last: ends first, while the widgets stand
};
