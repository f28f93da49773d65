#include "minihost/Session.h"

#include <algorithm>
#include <cstring>

#include "host/AE_EffectGPU.h"
#include "minihost/BuiltinSuites.h"
#include "minihost/Error.h"
#include "minihost/SuiteStub.h"
#include "minihost/UtilCallbacks.h"
#include "minihost/World.h"

namespace minihost {
namespace {

thread_local Session* t_current = nullptr;

std::mutex g_live_mutex;
std::vector<Session*> g_live;

// What the effect reference points at during one command.
struct Call {
    static constexpr uint64_t kMagic = 0x4D696E69486F7374;  // "MiniHost"
    uint64_t magic = kMagic;
    Session* session = nullptr;
};

class CurrentScope {
public:
    explicit CurrentScope(Session* s) : previous_(t_current) { t_current = s; }
    ~CurrentScope() { t_current = previous_; }
    CurrentScope(const CurrentScope&) = delete;
    CurrentScope& operator=(const CurrentScope&) = delete;

private:
    Session* previous_;
};

PF_Err CheckoutParam(PF_ProgPtr ref, PF_ParamIndex index, A_long time, A_long step, A_u_long scale, PF_ParamDef* out) {
    Session* s = Session::FromEffectRef(ref);
    return s ? s->params().Checkout(index, time, step, scale, out) : PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err CheckinParam(PF_ProgPtr ref, PF_ParamDef* def) {
    Session* s = Session::FromEffectRef(ref);
    return s ? s->params().Checkin(def) : PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err AddParam(PF_ProgPtr ref, PF_ParamIndex index, PF_ParamDefPtr def) {
    Session* s = Session::FromEffectRef(ref);
    return s ? s->params().Add(index, def) : PF_Err_BAD_CALLBACK_PARAM;
}

}  // namespace

void NoteUnimplementedCall(const char* function) {
    if (Session* s = Session::Current()) s->NoteUnimplemented(function);
}

std::string Outcome::Message() const {
    return std::string(out.return_msg, strnlen(out.return_msg, sizeof out.return_msg));
}

Session::Session(const std::string& module_path) : module_(module_path) {
    for (const SuiteDef& d : BuiltinSuites()) suites_.Add(d.name, d.version, d.table);
    std::lock_guard lock(g_live_mutex);
    g_live.push_back(this);
}

Session::~Session() {
    std::lock_guard lock(g_live_mutex);
    g_live.erase(std::remove(g_live.begin(), g_live.end(), this), g_live.end());
}

Session* Session::Current() {
    if (t_current) return t_current;
    std::lock_guard lock(g_live_mutex);
    return g_live.size() == 1 ? g_live.front() : nullptr;
}

Session* Session::FromEffectRef(PF_ProgPtr effect_ref) {
    auto* call = reinterpret_cast<const Call*>(effect_ref);
    return call && call->magic == Call::kMagic ? call->session : nullptr;
}

void Session::RecordAegpRegistration(const AegpRegistration& r) {
    std::lock_guard lock(log_mutex_);
    aegp_registrations_.push_back(r);
}

std::vector<AegpRegistration> Session::AegpRegistrations() const {
    std::lock_guard lock(log_mutex_);
    return aegp_registrations_;
}

void Session::NoteUnimplemented(const char* function) {
    std::lock_guard lock(log_mutex_);
    unimplemented_.emplace_back(function);
}

std::vector<std::string> Session::UnimplementedCalls() const {
    std::lock_guard lock(log_mutex_);
    return unimplemented_;
}

Outcome Session::Send(PF_Cmd cmd, const CommandOptions& o) {
    Call call;
    call.session = this;
    CurrentScope scope(this);

    std::vector<PF_ParamDef> defs = params_.Snapshot();
    if (o.input) defs[0].u.ld = o.input->View();
    std::vector<PF_ParamDef*> list(defs.size());
    for (std::size_t i = 0; i < defs.size(); ++i) list[i] = &defs[i];
    const PF_LayerDef& input = defs[0].u.ld;

    PF_InData in{};
    in.inter.checkout_param = CheckoutParam;
    in.inter.checkin_param = CheckinParam;
    in.inter.add_param = AddParam;
    in.utils = UtilCallbacks();
    in.effect_ref = reinterpret_cast<PF_ProgPtr>(&call);
    in.quality = PF_Quality_HI;
    in.version = {PF_AE_PLUG_IN_VERSION, PF_AE_PLUG_IN_SUBVERS};
    in.appl_id = 0x46585443;  // 'FXTC', the compositing host itself
    in.num_params = static_cast<A_long>(defs.size());
    in.current_time = o.current_time;
    in.time_step = o.time_step;
    in.local_time_step = o.time_step;
    in.total_time = o.time_step * 10;
    in.time_scale = o.time_scale;
    in.field = PF_Field_FRAME;
    in.width = input.width;
    in.height = input.height;
    in.extent_hint = {0, 0, input.width, input.height};
    in.downsample_x = in.downsample_y = in.pixel_aspect_ratio = {1, 1};
    in.pica_basicP = o.basic_suite ? suites_.Basic() : nullptr;

    Outcome result;
    std::memset(&result.out, o.out_fill, sizeof result.out);
    PF_OutData before;
    std::memcpy(&before, &result.out, sizeof before);
    try {
        result.err =
            module_.effect_main()(cmd, &in, &result.out, list.data(), o.output ? &o.output->View() : nullptr, o.extra);
    } catch (...) {
        throw EffectFailure("EffectMain of '" + module_.path() + "' let an exception escape from command " +
                            std::to_string(cmd));
    }
    result.out_written = std::memcmp(&before, &result.out, sizeof before) != 0;
    return result;
}

Outcome Session::GlobalSetup(CommandOptions o) { return Send(PF_Cmd_GLOBAL_SETUP, o); }

Outcome Session::ParamsSetup(CommandOptions o) {
    params_.BeginRegistration();
    return Send(PF_Cmd_PARAMS_SETUP, o);
}

Outcome Session::UpdateParamsUI(CommandOptions o) { return Send(PF_Cmd_UPDATE_PARAMS_UI, o); }

Outcome Session::UserChangedParam(std::optional<PF_ParamIndex> index, CommandOptions o) {
    PF_UserChangedParamExtra extra{index.value_or(0)};
    o.extra = index ? &extra : nullptr;
    return Send(PF_Cmd_USER_CHANGED_PARAM, o);
}

namespace {

PF_GPU_Framework FrameworkOf(const GpuDevice* device, std::optional<PF_GPU_Framework> what) {
    return what ? *what : device ? device->framework() : PF_GPU_Framework(PF_GPU_Framework_NONE);
}

}  // namespace

GpuSetup Session::SetupGpuDevice(A_u_long device_index, std::optional<PF_GPU_Framework> what, CommandOptions o) {
    const GpuDevice* device = gpu_.Device(device_index);
    PF_GPUDeviceSetupInput input{FrameworkOf(device, what), device_index};
    PF_GPUDeviceSetupOutput output{nullptr};
    PF_GPUDeviceSetupExtra extra{&input, &output};
    o.extra = &extra;
    GpuSetup r;
    {
        DeviceScope scope(device);
        r.outcome = Send(PF_Cmd_GPU_DEVICE_SETUP, o);
    }
    r.gpu_data = output.gpu_data;
    r.accepted = r.outcome.err == PF_Err_NONE && output.gpu_data &&
                 (r.outcome.out.out_flags2 & PF_OutFlag2_SUPPORTS_GPU_RENDER_F32);
    return r;
}

Outcome Session::SetdownGpuDevice(A_u_long device_index, void* gpu_data, std::optional<PF_GPU_Framework> what,
                                  CommandOptions o) {
    const GpuDevice* device = gpu_.Device(device_index);
    PF_GPUDeviceSetdownInput input{gpu_data, FrameworkOf(device, what), device_index};
    PF_GPUDeviceSetdownExtra extra{&input};
    o.extra = &extra;
    DeviceScope scope(device);
    return Send(PF_Cmd_GPU_DEVICE_SETDOWN, o);
}

Outcome Session::Render(const World& input, World& output, CommandOptions o) {
    o.input = &input;
    o.output = &output;
    return Send(PF_Cmd_RENDER, o);
}

}  // namespace minihost
