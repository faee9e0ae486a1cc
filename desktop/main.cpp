// korvane: the camera's firmware update in a window on the Linux desktop.
// It checks when it opens and writes when the person presses Update.
#include <glib-unix.h>
#include <gtkmm/application.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "desktop/update_window.h"
#include "firmware/firmware_image.h"

#include "korvane_version.h"

namespace {

// As the lock's record names this program to a run it refuses.
constexpr const char* kProgramName = "korvane";

RunPolicy WindowPolicy() {
    RunPolicy policy;
    policy.write = true;
    policy.ask = true;  // the Update button answers the run's question
    policy.canAsk = true;
    // Update is offered only on mains power, and the rule is asked again
    // once it is pressed.
    policy.powerAt = PowerAt::Question;
    policy.nameCameras = true;  // each other camera, to check instead
    // A console run refused meanwhile says the window is open.
    policy.idlePhase = LockPhase::WindowOpen;
    policy.lockProgram = kProgramName;
    policy.program = "korvane " KORVANE_VERSION;
    policy.again = "press Check Again";
    return policy;
}

// A terminating signal closes the window as its Close button does: never
// while the firmware is being written, which it outlasts.
gboolean OnTerminate(gpointer data) {
    auto* app = static_cast<Gtk::Application*>(data);
    for (Gtk::Window* window : app->get_windows())
        if (auto* update = dynamic_cast<UpdateWindow*>(window)) update->CloseWhenAllowed();
    return G_SOURCE_CONTINUE;
}

// "korvane 1.0.0 (firmware V0308, V0309)", as korvane-update says its own.
int PrintVersion() {
    std::string text = "korvane " KORVANE_VERSION " (firmware ";
    const char* separator = "";
    for (const CarriedImage& image : kCarriedImages) {
        text += separator + std::string(image.version);
        separator = ", ";
    }
    return std::puts((text + ")").c_str()) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before GTK, which opens the display as the application is
    // made: --version needs none.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-V") == 0) return PrintVersion();
    }
    // One window per session: a second start shows the first one's.
    auto app = Gtk::Application::create("org.korvane.korvane");
    // So that --help lists it.
    app->add_main_option_entry(Gio::Application::OptionType::BOOL, "version", 'V',
                               "Show the version and the firmware it carries");
    app->signal_activate().connect([&app] {
        if (!app->get_windows().empty()) return app->get_windows().front()->present();
        Gtk::Window* window = new UpdateWindow(WindowPolicy());
        app->add_window(*window);
        window->signal_hide().connect([window] { delete window; });
        window->present();
    });
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) g_unix_signal_add(sig, OnTerminate, app.get());
    return app->run(argc, argv);
}
