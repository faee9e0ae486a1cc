#include "desktop/update_window.h"

#include "desktop/run_words.h"
#include "platform/clock.h"
#include "update/check_words.h"
#include "update/log_lines.h"

namespace {

using Property = Gtk::Accessible::Property;

void SetAccessible(Gtk::Accessible& widget, Property property, const std::string& text) {
    Glib::Value<Glib::ustring> value;
    value.init(Glib::Value<Glib::ustring>::value_type());
    value.set(text);
    widget.update_property(property, value);
}

// Where the field's words change, so does its accessible name: "Camera:
// Tarvex USB Camera" is read as one.
void SetField(Gtk::Label& field, const Gtk::Label& caption, const std::string& value) {
    field.set_text(value);
    SetAccessible(field, Property::LABEL, caption.get_text() + " " + value);
}

constexpr char kWriteRefusal[] =
    "The firmware is being written: this window stays open until the end. A camera whose flash is "
    "left half-written no longer starts.";
constexpr char kDueWords[] =
    "An update is due. Press Update to write it, and keep the camera plugged in until the end.";

}  // namespace

Gtk::Label* RoleLabel(GtkAccessibleRole role) {
    GObject* label = G_OBJECT(g_object_new(GTK_TYPE_LABEL, "accessible-role", role, nullptr));
    return Gtk::manage(Glib::wrap(GTK_LABEL(label)));
}

UpdateWindow::UpdateWindow(const RunPolicy& policy) {
    Build();
    // What the run shows is posted to GTK's main loop, which runs it in turn.
    run_ = std::make_unique<CRunAsync>(static_cast<AsyncRunView&>(*this), policy, [](std::function<void()> work) {
        Glib::MainContext::get_default()->invoke([work] {
            work();
            return false;
        });
    });
    run_->Start();
}

UpdateWindow::~UpdateWindow() = default;

void UpdateWindow::Build() {
    set_title("Korvane");
    set_icon_name("org.korvane.Korvane");
    set_default_size(520, -1);
    box_.set_margin(18);
    set_child(box_);
    BuildFields(fields_);
    box_.append(fields_);

    status_->set_wrap(true);
    status_->set_xalign(0);
    status_->set_selectable(true);
    status_->add_css_class("heading");
    box_.append(*status_);

    progress_.set_show_text(true);
    progress_.set_text("");
    SetAccessible(progress_, Property::LABEL, "Write progress");
    box_.append(progress_);

    notice_->set_wrap(true);
    notice_->set_xalign(0);
    notice_->set_visible(false);
    box_.append(*notice_);

    log_.set_editable(false);
    log_.set_monospace(true);
    SetAccessible(log_, Property::LABEL, "Transfer log");
    logScroll_.set_child(log_);
    logScroll_.set_min_content_height(160);
    logExpander_.set_child(logScroll_);
    // GTK 4.8 names an expander by its type, not its label.
    SetAccessible(logExpander_, Property::LABEL, "Transfer log");
    box_.append(logExpander_);
    BuildButtons();
    signal_close_request().connect(sigc::mem_fun(*this, &UpdateWindow::OnCloseRequest), false);
    Checking();
}

void UpdateWindow::BuildFields(Gtk::Grid& grid) {
    grid.set_row_spacing(6);
    grid.set_column_spacing(12);
    Gtk::Label* captions[] = {&cameraCaption_, &firmwareCaption_, &dueCaption_};
    Gtk::Label* values[] = {&camera_, &firmware_, &due_};
    for (int row = 0; row < 3; ++row) {
        captions[row]->set_xalign(0);
        values[row]->set_xalign(0);
        values[row]->set_wrap(true);
        values[row]->set_selectable(true);
        SetField(*values[row], *captions[row], "—");
        grid.attach(*captions[row], 0, row);
        grid.attach(*values[row], 1, row);
    }
}

void UpdateWindow::BuildButtons() {
    buttons_.set_halign(Gtk::Align::END);
    SetAccessible(update_, Property::DESCRIPTION, "Write the new firmware into the camera");
    update_.add_css_class("suggested-action");
    update_.set_visible(false);
    update_.signal_clicked().connect(sigc::mem_fun(*this, &UpdateWindow::OnUpdate));
    close_.signal_clicked().connect([this] { close(); });
    buttons_.append(update_);
    buttons_.append(close_);
    box_.append(buttons_);
}

void UpdateWindow::Say(const std::string& status) {
    status_->set_text(status);
    SetAccessible(*status_, Property::LABEL, status);
}

void UpdateWindow::Notice(const std::string& words) {
    notice_->set_text(words);
    SetAccessible(*notice_, Property::LABEL, words);
    notice_->set_visible(!words.empty());
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
    update_.set_visible(false);
    // Focus left where the button was would fall on the camera's name and
    // select it.
    close_.grab_focus();
    Say("Preparing the camera for the write; keep it plugged in.");
    if (consent_) consent_(Answer::Yes);
}

void UpdateWindow::Checking() {
    stage_ = Stage::Checking;
    Say("Checking the camera…");
}

void UpdateWindow::Describe(const CheckReport& found) { ShowFound(found); }

void UpdateWindow::ShowFound(const CheckReport& found) {
    SetField(camera_, cameraCaption_, found.camera.name.empty() ? "—" : found.camera.name);
    const std::string held = HeldFirmwareWords(found);
    SetField(firmware_, firmwareCaption_, held.empty() ? "not known" : held);
    SetField(due_, dueCaption_,
             found.verdict == CheckVerdict::Update    ? "new firmware (V0308 or V0309: the camera's board chooses when it is written)"
             : found.verdict == CheckVerdict::Current ? "none: its firmware is current"
                                                      : "—");
}

// The question to write is the Update button; a window closed during the
// check answers it No.
void UpdateWindow::Ask(Question question, const CheckReport&, Reply reply) {
    if (question == Question::ImageNotForChip) return AskNotForChip(std::move(reply));
    if (closeWanted_) return reply(Answer::No);
    consent_ = std::move(reply);
    stage_ = Stage::Due;
    Say(kDueWords);
    update_.set_visible(true);
    update_.grab_focus();
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
    SetField(due_, dueCaption_, ImageWords(found));
    Say("Writing " + ImageName(found) + ": do not unplug the camera.");
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
    update_.set_visible(false);
    if (verdict.end == RunEnd::Updated) progress_.set_fraction(1.0);
    // A write that ended short has no time left: only the bytes it reached.
    else if (total_) ShowBytes(ProgressWords(done_, total_, 0));
    Say(VerdictWords(verdict, found));
    close_.grab_focus();
}

void UpdateWindow::Ended() {
    stage_ = Stage::Ended;
    if (closeWanted_) close();
}
