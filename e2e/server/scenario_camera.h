// A simulated camera set up as its scenario says, and the files it leaves:
// the flash contents and the request trace, written whenever the download
// engine has just been disabled (so that a process killed later still
// leaves them) and once more when the process lets the server go.
#pragma once

#include <memory>
#include <string>

#include "e2e/server/scenario.h"
#include "simcam/sim_camera.h"

namespace e2e {

class ScenarioCamera {
public:
    // Null, with the reason in *error, when the flash file cannot be loaded.
    static std::unique_ptr<ScenarioCamera> Make(const Scenario& scenario, std::string* error);

    const Scenario& scenario() const { return scenario_; }

    // New references, owned by the caller, to driver paths that save the
    // outputs after each call that disabled the download engine.
    IKsControl* NewKsControl();
    IDriverXu* NewDriverXu();

    void AfterCall();
    void SaveOutputs() const;

private:
    explicit ScenarioCamera(const Scenario& scenario) : scenario_(scenario) {}

    Scenario scenario_;
    simcam::SimCamera camera_;
    size_t enableWritesSeen_ = 0;
};

}  // namespace e2e
