#include "e2e/server/camera_table.h"

#include <cstdio>
#include <map>

namespace e2e {

namespace {

// Never destroyed: the last outputs are written while the process lets the
// server go, after which no destructor of ours should run on them.
std::map<std::string, ScenarioCamera*>& Table() {
    static auto* table = new std::map<std::string, ScenarioCamera*>;
    return *table;
}

}  // namespace

ScenarioCamera* CameraForScenario(const std::string& path) {
    auto found = Table().find(path);
    if (found != Table().end()) return found->second;

    Scenario scenario;
    std::string error;
    std::unique_ptr<ScenarioCamera> camera;
    if (ReadScenario(path, &scenario, &error)) camera = ScenarioCamera::Make(scenario, &error);
    if (!camera) {
        std::fprintf(stderr, "simcam_server: %s\n", error.c_str());
        return nullptr;
    }
    ScenarioCamera* kept = camera.release();
    Table()[path] = kept;
    return kept;
}

void SaveAllOutputs() {
    for (const auto& entry : Table()) entry.second->SaveOutputs();
}

}  // namespace e2e
