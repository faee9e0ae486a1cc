#include "desktop/update_window.h"

#include "desktop/run_words.h"
#include "platform/clock.h"
#include "update/check_words.h"
#include "update/log_lines.h"
#include "update/run_ends.h"

namespace {

using Property = Gtk::Accessible::Property;

void SetAccessible(Gtk::Accessible& widget, Property property, const std::string& text) {
    Glib::Value<Glib::ustring> value;
    value.init(Glib::Value<Glib::ustring>::value_type());
    value.set(text);
    widget.update_property(property, value);
}

// Where the field's words change, so does its accessible name: "Camera:
// Tarvex USB Camera" is read as one. A field with nothing to say is hidden.
void SetField(Gtk::Label& field, Gtk::Label& caption, const std::string& value) {
    field.set_text(value);
    SetAccessible(field, Property::LABEL, caption.get_text() + " " + value);
    field.set_visible(!value.empty());
    caption.set_visible(!value.empty());
}

// The firmware as people name it: its version, or "another release".
std::string HeldWords(const CheckReport& found) {
    const FirmwareHeld held = FirmwareHeldBy(found);
    if (!held.known) return "";
    return held.imageId > 0 ? held.version : "another release";
}

// The width the words wrap at: the window keeps it in every state.
constexpr int kContentWidth = 440;

// Words that wrap at the content's width, whose natural width is no wider:
// the window is as tall as they are at that width, no taller.
void Wrapping(Gtk::Label& label) {
    label.set_wrap(true);
    label.set_max_width_chars(1);
    label.set_hexpand(true);
    label.set_xalign(0);
}

constexpr char kWriteRefusal[] =
    "The firmware is being written: this window stays open until the end. A camera whose flash is "
    "left half-written no longer starts.";
constexpr char kDueTitle[] = "An update is due.";
constexpr char kDueDetail[] = "Press Update to write it, and keep the camera plugged in until the end.";

// Every end may change with a second look but a camera updated or current.
bool MayChange(RunEnd end) { return end != RunEnd::Updated && end != RunEnd::Current; }

}  // namespace

Gtk::Label* RoleLabel(GtkAccessibleRole role) {
    GObject* label = G_OBJECT(g_object_new(GTK_TYPE_LABEL, "accessible-role", role, nullptr));
    return Gtk::manage(Glib::wrap(GTK_LABEL(label)));
}

UpdateWindow::UpdateWindow(const RunPolicy& policy) : policy_(policy) {
    Build();
    StartRun("");
}

UpdateWindow::~UpdateWindow() { fit_.disconnect(); }

void UpdateWindow::StartRun(const std::string& device) {
    run_.reset();  // the last run has ended: at once
    device_ = device;
    notes_.clear();
    Notice("");
    consent_ = nullptr;
    done_ = total_ = 0;
    progress_.set_visible(false);
    log_.get_buffer()->set_text("");
    SetField(camera_, cameraCaption_, "");
    SetField(firmware_, firmwareCaption_, "");
    SetField(new_, newCaption_, "");
    attached_.clear();
    ShowOthers("");
    // What the run shows is posted to GTK's main loop, which runs it in turn.
    run_ = std::make_unique<CRunAsync>(static_cast<AsyncRunView&>(*this), policy_, [](std::function<void()> work) {
        Glib::MainContext::get_default()->invoke([work] {
            work();
            return false;
        });
    });
    run_->Start(true, device);
}

void UpdateWindow::Build() {
    set_title("Korvane");
    set_icon_name("org.korvane.Korvane");
    // As large as what it shows, in every state.
    set_resizable(false);
    BuildHeader();
    box_.set_margin(24);
    box_.set_size_request(kContentWidth, -1);
    set_child(box_);

    Wrapping(*status_);
    status_->add_css_class("title-3");
    box_.append(*status_);
    Wrapping(detail_);
    detail_.set_selectable(true);
    box_.append(detail_);
    BuildCommand();

    progress_.set_show_text(true);
    SetAccessible(progress_, Property::LABEL, "Write progress");
    box_.append(progress_);
    BuildFields(fields_);
    box_.append(fields_);
    box_.append(others_);
    others_.set_visible(false);

    Wrapping(*notice_);
    box_.append(*notice_);
    BuildLog();
    signal_close_request().connect(sigc::mem_fun(*this, &UpdateWindow::OnCloseRequest), false);
}

// The primary action at the end, the second look at the start.
void UpdateWindow::BuildHeader() {
    update_.add_css_class("suggested-action");
    SetAccessible(update_, Property::DESCRIPTION, "Write the new firmware into the camera");
    update_.signal_clicked().connect(sigc::mem_fun(*this, &UpdateWindow::OnUpdate));
    SetAccessible(checkAgain_, Property::DESCRIPTION, "Look at the camera again");
    checkAgain_.signal_clicked().connect([this] { OnCheckAgain(device_); });
    header_.pack_end(update_);
    header_.pack_start(checkAgain_);
    set_titlebar(header_);
}

void UpdateWindow::BuildLog() {
    log_.set_editable(false);
    log_.set_monospace(true);
    SetAccessible(log_, Property::LABEL, "Transfer log");
    logScroll_.set_child(log_);
    logScroll_.set_min_content_height(160);
    logExpander_.set_child(logScroll_);
    // GTK 4.8 names an expander by its type, not its label.
    SetAccessible(logExpander_, Property::LABEL, "Transfer log");
    box_.append(logExpander_);
}

// The command that may help, whole and monospaced, with a button that puts
// it on the clipboard.
void UpdateWindow::BuildCommand() {
    command_.set_selectable(true);
    Wrapping(command_);
    command_.set_wrap_mode(Pango::WrapMode::CHAR);
    command_.add_css_class("monospace");
    SetAccessible(copy_, Property::DESCRIPTION, "Copy the command");
    copy_.set_valign(Gtk::Align::CENTER);
    copy_.signal_clicked().connect([this] { get_clipboard()->set_text(command_.get_text()); });
    commandRow_.append(command_);
    commandRow_.append(copy_);
    box_.append(commandRow_);
}

void UpdateWindow::BuildFields(Gtk::Grid& grid) {
    grid.set_row_spacing(6);
    grid.set_column_spacing(12);
    Gtk::Label* captions[] = {&cameraCaption_, &firmwareCaption_, &newCaption_};
    Gtk::Label* values[] = {&camera_, &firmware_, &new_};
    for (int row = 0; row < 3; ++row) {
        captions[row]->set_xalign(0);
        captions[row]->add_css_class("dim-label");
        Wrapping(*values[row]);
        values[row]->set_selectable(true);
        grid.attach(*captions[row], 0, row);
        grid.attach(*values[row], 1, row);
    }
}

void UpdateWindow::Say(const std::string& status, const std::string& detail) {
    status_->set_text(status);
    SetAccessible(*status_, Property::LABEL, detail.empty() ? status : status + " " + detail);
    detail_.set_text(detail);
    detail_.set_visible(!detail.empty());
    update_.set_visible(stage_ == Stage::Due);
    checkAgain_.set_visible(stage_ == Stage::Due);
    commandRow_.set_visible(false);
    // Focus left on a selectable label would select its words.
    if (stage_ == Stage::Due) update_.grab_focus();
    else unset_focus();
    Fit();
}

// GTK grows a window to what its content needs but never shrinks it, and
// keeps the size it has: asked again, it is given the natural size of what
// it now shows (the surface's decorations kept as they are).
void UpdateWindow::Fit() {
    if (!fit_.connected()) fit_ = Glib::signal_idle().connect(sigc::mem_fun(*this, &UpdateWindow::Refit));
}

bool UpdateWindow::Refit() {
    if (gobj()) {  // not once the application has destroyed it at its end
        set_resizable(true);
        set_resizable(false);
    }
    return false;
}

void UpdateWindow::on_realize() {
    Gtk::ApplicationWindow::on_realize();
    g_signal_connect_after(get_surface()->gobj(), "compute-size",
                           G_CALLBACK(+[](GdkToplevel*, GdkToplevelSize* size, gpointer window) {
                               static_cast<UpdateWindow*>(window)->NaturalSize(size);
                           }),
                           this);
}

// What the content's natural height at its width, margins included,
// lacks of the height it is given (negative: more than it needs).
int UpdateWindow::HeightMissing() {
    int minimum = 0, natural = 0, baseline = 0;
    box_.measure(Gtk::Orientation::VERTICAL, box_.get_width() + box_.get_margin_start() + box_.get_margin_end(),
                 minimum, natural, baseline, baseline);
    return natural - (box_.get_height() + box_.get_margin_top() + box_.get_margin_bottom());
}

// The window's width stays; its height becomes what its content needs at
// that width.
void UpdateWindow::NaturalSize(GdkToplevelSize* size) {
    const auto surface = get_surface();
    if (box_.get_width() <= 0 || !surface) return;  // not laid out yet: GTK's own size
    gdk_toplevel_size_set_size(size, surface->get_width(), surface->get_height() + HeightMissing());
}

// A size asked for while an earlier one was still on its way can miss:
// laid out at another height than its content's, the window asks again,
// once for each height it is given.
void UpdateWindow::size_allocate_vfunc(int width, int height, int baseline) {
    Gtk::ApplicationWindow::size_allocate_vfunc(width, height, baseline);
    if (HeightMissing() != 0 && height != refitAt_) {
        refitAt_ = height;
        Fit();
    }
}

void UpdateWindow::Notice(const std::string& words) {
    notice_->set_text(words);
    SetAccessible(*notice_, Property::LABEL, words);
    notice_->set_visible(!words.empty());
    Fit();
}

// The window closes only where the run lets it: after the check, at the
// question (answered No), never while writing; the run lets the camera go.
bool UpdateWindow::OnCloseRequest() {
    switch (stage_) {
    case Stage::Checking:
        closeWanted_ = true;
        Notice("Checking the camera: the window closes when the check ends.");
        return true;
    case Stage::Writing:
        if (question_ && question_->get_visible()) break;
        Notice(kWriteRefusal);
        return true;
    case Stage::Due: break;
    case Stage::Ended: return false;
    }
    // Asking: the question closes to No, and the window once the run has ended.
    closeWanted_ = true;
    if (question_) question_->hide();
    run_->Leave();
    return true;
}

void UpdateWindow::CloseWhenAllowed() {
    closeWanted_ = true;  // a write's verdict, then the close
    close();
}

void UpdateWindow::OnUpdate() {
    stage_ = Stage::Writing;
    Say("Preparing the camera for the write.", "Keep it plugged in.");
    others_.set_sensitive(false);  // no other camera while this one is written
    if (consent_) consent_(Answer::Yes);
}

// Another look, at the camera chosen: once the run rests (due, or ended).
void UpdateWindow::OnCheckAgain(const std::string& device) {
    if (stage_ == Stage::Due) {
        run_->Leave();  // the run ends Declined, at once; its posts are dropped
        stage_ = Stage::Ended;
    }
    if (stage_ == Stage::Ended) StartRun(device);
}

void UpdateWindow::Checking() {
    stage_ = Stage::Checking;
    Say("Checking the camera…");
}

void UpdateWindow::Attached(const std::vector<AttachedCamera>& cameras) { attached_ = cameras; }

void UpdateWindow::Describe(const CheckReport& found) { ShowFound(found); }

void UpdateWindow::ShowFound(const CheckReport& found) {
    SetField(camera_, cameraCaption_, found.verdict == CheckVerdict::NoCamera ? "" : CameraNameWords(found.camera));
    SetField(firmware_, firmwareCaption_, HeldWords(found));
    ShowOthers(found.verdict == CheckVerdict::NoCamera ? "" : found.camera.path);
    Fit();
}

// Each camera of the family but the one shown, with a button that checks it
// instead.
void UpdateWindow::ShowOthers(const std::string& shown) {
    while (Gtk::Widget* row = others_.get_first_child()) others_.remove(*row);
    for (const AttachedCamera& other : attached_) {
        if (other.camera.path == shown) continue;
        auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 12);
        const std::string name = CameraNameWords(other.camera);
        auto* words = Gtk::make_managed<Gtk::Label>("Also attached: " + name);
        Wrapping(*words);
        auto* check = Gtk::make_managed<Gtk::Button>("Check It");
        SetAccessible(*check, Property::LABEL, "Check " + name);
        SetAccessible(*check, Property::DESCRIPTION, "Check " + other.camera.path + " instead");
        check->signal_clicked().connect([this, number = std::to_string(other.number)] { OnCheckAgain(number); });
        row->append(*words);
        row->append(*check);
        others_.append(*row);
    }
    others_.set_visible(others_.get_first_child() != nullptr);
}

// The question to write is the Update button, offered only once the power
// rule let the run ask; a window closed during the check answers it No.
void UpdateWindow::Ask(Question question, const CheckReport&, Reply reply) {
    if (question == Question::ImageNotForChip) return AskNotForChip(std::move(reply));
    if (closeWanted_) return reply(Answer::No);
    consent_ = std::move(reply);
    stage_ = Stage::Due;
    Say(kDueTitle, kDueDetail);
}

void UpdateWindow::Note(const std::string& note) {
    notes_ += (notes_.empty() ? "" : "\n") + note;
    Notice(notes_);
}

void UpdateWindow::Writing(const CheckReport& found) {
    stage_ = Stage::Writing;
    // The desktop asks before a logout or a switch-off cuts the write.
    if (auto application = get_application())
        inhibited_ = application->inhibit(*this, Gtk::Application::InhibitFlags::LOGOUT,
                                          "The camera's firmware is being written");
    // The version as people name it; which image, and its size, beside it.
    SetField(new_, newCaption_, std::string(found.imageVersion) + " (image " + std::to_string(found.imageId) + ", " +
                                    std::to_string(found.imageSize / 1024) + " KiB)");
    Say("Writing the new firmware.", "Do not unplug the camera or switch the computer off.");
    progress_.set_visible(true);
    writingSinceMs_ = NowMs();
    Progress(0, found.imageSize);
}

void UpdateWindow::Progress(uint32_t done, uint32_t total) {
    done_ = done, total_ = total;
    ShowBytes(ProgressWords(done, total, NowMs() - writingSinceMs_));
}

void UpdateWindow::ShowBytes(const std::string& words) {
    progress_.set_fraction(total_ ? double(done_) / total_ : 0.0);
    progress_.set_text(words);
    SetAccessible(progress_, Property::VALUE_TEXT, words);
}

void UpdateWindow::LogAdded(const std::string& lines) {
    auto buffer = log_.get_buffer();
    buffer->insert(buffer->end(), PlainText(lines));
}

void UpdateWindow::AskNotForChip(Reply reply) {
    question_ = std::make_unique<Gtk::MessageDialog>(*this, kWrongImageQuestion, false, Gtk::MessageType::WARNING,
                                                     Gtk::ButtonsType::NONE, true);
    question_->set_title(kWrongImageCaption);
    question_->set_secondary_text(
        "The firmware image's device descriptor is not the one this camera's chip takes. Written anyway, it "
        "may leave the camera unable to start.");
    question_->add_button("_Don't write", Gtk::ResponseType::NO);
    question_->add_button("_Write anyway", Gtk::ResponseType::YES);
    question_->set_default_response(Gtk::ResponseType::NO);
    // Any response but Write anyway, the dialog closed among them, is No.
    question_->signal_response().connect([this, reply](int response) {
        question_->hide();
        reply(response == Gtk::ResponseType::YES ? Answer::Yes : Answer::No);
    });
    question_->show();
    Say("Asking whether to write an image that is not for this chip.");
}

void UpdateWindow::ShowVerdict(const RunVerdict& verdict, const CheckReport& found) {
    if (stage_ == Stage::Checking) ShowFound(found);
    if (inhibited_ && get_application()) get_application()->uninhibit(inhibited_);
    inhibited_ = 0;
    stage_ = Stage::Ended;
    if (verdict.end == RunEnd::Updated) {
        progress_.set_fraction(1.0);
        SetField(firmware_, firmwareCaption_, found.imageVersion);
        SetField(new_, newCaption_, "");
    } else if (done_) {
        // A write that ended short has no time left: only the bytes it reached.
        ShowBytes(ProgressWords(done_, total_, 0));
    } else {
        progress_.set_visible(false);  // nothing was written
        SetField(new_, newCaption_, "");
    }
    Notice(notes_);  // the refusal to close ends with the write
    Say(RunEndTitle(verdict.end), VerdictDetail(verdict, found));
    command_.set_text(verdict.keepAwakeCommand);
    SetAccessible(command_, Property::LABEL, "Command: " + verdict.keepAwakeCommand);
    commandRow_.set_visible(!verdict.keepAwakeCommand.empty());
    checkAgain_.set_visible(MayChange(verdict.end));
    if (checkAgain_.get_visible()) checkAgain_.grab_focus();
    Fit();
    others_.set_sensitive(true);
}

void UpdateWindow::Ended() {
    stage_ = Stage::Ended;
    if (closeWanted_) close();
}
