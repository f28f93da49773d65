// One effect instance as the host drives it: the loaded module, the suites it
// is served, its parameters, and the commands, each sent with its own
// PF_InData/PF_OutData so that several threads may send at once.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/AE_Effect.h"
#include "host/AE_GeneralPlug.h"
#include "minihost/Composition.h"
#include "minihost/GpuHost.h"
#include "minihost/Module.h"
#include "minihost/ParamModel.h"
#include "minihost/SuiteTable.h"

namespace minihost {

class World;

struct AegpRegistration {
    AEGP_GlobalRefcon refcon = nullptr;
    std::optional<std::string> name;
    bool id_pointer_given = false;
    A_Err result = 0;
};

struct CommandOptions {
    bool basic_suite = true;       // pica_basicP set, or null
    const World* input = nullptr;  // params[0]; nullptr = the model's layer 0
    World* output = nullptr;       // the output argument; nullptr passes null
    void* extra = nullptr;
    uint8_t out_fill = 0;  // every byte of PF_OutData before the call
    A_long current_time = 0, time_step = 1;
    A_u_long time_scale = 24;
};

struct Outcome {
    PF_Err err = 0;
    PF_OutData out{};
    bool out_written = false;  // some byte of PF_OutData differs from the fill
    std::string Message() const;
};

struct GpuSetup {
    Outcome outcome;
    void* gpu_data = nullptr;
    // The effect took the device: success, float GPU rendering declared and gpu_data given.
    bool accepted = false;
};

class Session {
public:
    explicit Session(const std::string& module_path);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Module& module() { return module_; }
    SuiteTable& suites() { return suites_; }
    ParamModel& params() { return params_; }
    // The composition holding the effect's layer, served by the AEGP suites.
    Composition& composition() { return composition_; }
    // The GPU devices offered to the effect and the GPU worlds handed to it.
    GpuHost& gpu() { return gpu_; }

    // ---- commands, in the host's order
    // Each takes the options of a plain Send and fills in what its command needs.
    Outcome GlobalSetup(CommandOptions options = {});
    // Records the definitions (the model is reset first).
    Outcome ParamsSetup(CommandOptions options = {});
    Outcome UpdateParamsUI(CommandOptions options = {});
    // nullopt sends no extra block.
    Outcome UserChangedParam(std::optional<PF_ParamIndex> index, CommandOptions options = {});
    // The non-smart render: input as params[0], output as the output world.
    Outcome Render(const World& input, World& output, CommandOptions options = {});
    // PF_Cmd_GPU_DEVICE_SETUP for one of gpu()'s devices, naming the device's own
    // framework unless told otherwise, with the device's context current (CUDA).
    GpuSetup SetupGpuDevice(A_u_long device_index, std::optional<PF_GPU_Framework> what = std::nullopt,
                            CommandOptions options = {});
    Outcome SetdownGpuDevice(A_u_long device_index, void* gpu_data, std::optional<PF_GPU_Framework> what = std::nullopt,
                             CommandOptions options = {});
    // Any command number.
    Outcome Send(PF_Cmd cmd, const CommandOptions& options = {});

    // ---- what suites recorded
    AEGP_PluginID aegp_plugin_id() const { return plugin_id_; }
    void set_aegp_plugin_id(AEGP_PluginID id) { plugin_id_ = id; }
    void RecordAegpRegistration(const AegpRegistration& r);
    std::vector<AegpRegistration> AegpRegistrations() const;
    void NoteUnimplemented(const char* function);
    std::vector<std::string> UnimplementedCalls() const;

    // The session whose command is running on this thread; AEGP suites get no
    // effect reference and find their host this way. Falls back to the only
    // live session for threads the effect starts itself.
    static Session* Current();
    // The session behind an effect reference minihost handed out, or nullptr.
    static Session* FromEffectRef(PF_ProgPtr effect_ref);

private:
    Module module_;
    SuiteTable suites_;
    ParamModel params_;
    Composition composition_;
    GpuHost gpu_;
    AEGP_PluginID plugin_id_ = 7;
    mutable std::mutex log_mutex_;
    std::vector<AegpRegistration> aegp_registrations_;
    std::vector<std::string> unimplemented_;
};

}  // namespace minihost
