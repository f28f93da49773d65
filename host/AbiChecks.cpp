// Compile-time pins of the host's binary layout: every size, alignment and
// offset, every function-table slot and every constant value the host
// documents. Compiled into both the Linux and the Windows builds, so a layout
// that drifts on either ABI fails the build instead of corrupting memory.
#include <stddef.h>
#include <stdint.h>

#include "Host.h"

// ---------------------------------------------------------------- the members effects lean on most

static_assert(sizeof(PF_InData) == 408 && sizeof(PF_OutData) == 408);
static_assert(offsetof(PF_InData, inter.checkout_param) == 0);
static_assert(offsetof(PF_InData, inter.checkin_param) == 8);
static_assert(offsetof(PF_InData, inter.add_param) == 16);
static_assert(offsetof(PF_InData, utils) == 176 && offsetof(PF_InData, effect_ref) == 184);
static_assert(offsetof(PF_InData, sequence_data) == 320 && offsetof(PF_InData, pica_basicP) == 384);
static_assert(offsetof(PF_OutData, my_version) == 0 && offsetof(PF_OutData, out_flags) == 96);
static_assert(offsetof(PF_OutData, return_msg) == 100 && sizeof(PF_OutData::return_msg) == 256);
static_assert(offsetof(PF_OutData, out_flags2) == 400);
static_assert(sizeof(PF_UtilCallbacks) == 552 && offsetof(PF_UtilCallbacks, copy) == 8 * 8);
static_assert(offsetof(PF_UtilCallbacks, ansi) == 208 && offsetof(PF_UtilCallbacks, ansi.sprintf) == 328);
static_assert(offsetof(PF_UtilCallbacks, colorCB) == 368);
static_assert(sizeof(PF_LayerDef) == 120 && sizeof(PF_EffectWorld) == 120);
static_assert(offsetof(PF_LayerDef, data) == 24 && offsetof(PF_LayerDef, rowbytes) == 32);
static_assert(offsetof(PF_LayerDef, width) == 36 && offsetof(PF_LayerDef, height) == 40);
static_assert(sizeof(PF_ParamDef) == 176 && sizeof(PF_ParamDefUnion) == 120 && offsetof(PF_ParamDef, u) == 56);
static_assert(offsetof(PF_ParamDef, u.fs_d.value) == 56 && offsetof(PF_ParamDef, u.fs_d.valid_min) == 56 + 48);
static_assert(sizeof(PF_FloatSliderDef) == 88 && sizeof(PF_CheckBoxDef) == 16);
static_assert(sizeof(PF_ColorDef) == 8 && sizeof(PF_AngleDef) == 16);
static_assert(sizeof(PF_PreRenderInput) == 64 && sizeof(PF_PreRenderOutput) == 56);
static_assert(sizeof(PF_SmartRenderInput) == 72 && sizeof(PF_RenderRequest) == 44);
static_assert(sizeof(PF_CheckoutResult) == 76);
static_assert(sizeof(PF_GPUDeviceInfo) == 56);
static_assert(offsetof(PF_GPUDeviceSuite1, GetDeviceInfo) == 1 * 8);
static_assert(offsetof(PF_GPUDeviceSuite1, GetGPUWorldData) == 12 * 8);
static_assert(offsetof(PF_GPUDeviceSuite1, GetGPUWorldSize) == 13 * 8);
static_assert(offsetof(SPBasicSuite, AcquireSuite) == 0 && offsetof(SPBasicSuite, ReleaseSuite) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_RegisterWithAEGP) == 9 * 8);
static_assert(offsetof(AEGP_PFInterfaceSuite1, AEGP_GetEffectLayer) == 0);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetCompNumLayers) == 0 * 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetCompLayerByIndex) == 1 * 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerParentComp) == 5 * 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerObjectType) == 27 * 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_IsVideoActive) == 30 * 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerToWorldXform) == 36 * 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetCompNumLayers) == 0 * 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetCompLayerByIndex) == 1 * 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerParentComp) == 6 * 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerObjectType) == 28 * 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_IsVideoActive) == 31 * 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerToWorldXform) == 38 * 8);
static_assert(offsetof(AEGP_LightSuite1, AEGP_GetLightType) == 0);
static_assert(offsetof(AEGP_StreamSuite1, AEGP_GetLayerStreamValue) == 15 * 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_GetLayerStreamValue) == 16 * 8);
static_assert(sizeof(AEGP_StreamVal2) == 32 && sizeof(AEGP_StreamVal) == 32);
static_assert(offsetof(PF_ParamUtilsSuite3, PF_UpdateParamUI) == 0);

// ---------------------------------------------------------------- facts stated outside the tables

static_assert(sizeof(A_long) == 4 && sizeof(A_u_long) == 4 && sizeof(A_short) == 2 && sizeof(A_Boolean) == 1);
static_assert(sizeof(PF_Boolean) == 1 && sizeof(PF_Fixed) == 4 && sizeof(PF_Handle) == 8);
static_assert(sizeof(A_u_longlong) == 8 && sizeof(A_intptr_t) == 8 && sizeof(A_UTF16Char) == 2);
static_assert(sizeof(AEGP_LTimeMode) == 2 && sizeof(AEGP_LightType) == 4 && sizeof(AEGP_LabelID) == 1);
static_assert(AEGP_LightType(-1) == AEGP_LightType_NONE && AEGP_LightType(0) < AEGP_LightType_NONE);
static_assert(sizeof(PF_RenderOutputFlags) == 2 && sizeof(PF_ValueDisplayFlags) == 2);
static_assert(sizeof(PF_State) == 16 && sizeof(AEGP_StreamValue) == 40);
static_assert(sizeof(PF_HLS_Pixel) == 12 && sizeof(AEGP_FourDVal) == 32);
// Version 15 appends three slots to version 14.
static_assert(sizeof(AEGP_LayerSuite9) == 424 && offsetof(AEGP_LayerSuite9, AEGP_GetTrackMatteLayer) == 50 * 8);
static_assert(offsetof(AEGP_LayerSuite9, AEGP_RemoveTrackMatte) == 52 * 8);
static_assert(offsetof(AEGP_LayerSuite9, AEGP_GetLayerToWorldXform) == 38 * 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_DuplicateStreamRef) == 21 * 8);
// A COLOR stream's four doubles alias the colour members, alpha first.
static_assert(offsetof(AEGP_ColorVal, alphaF) == 0 && offsetof(AEGP_ColorVal, blueF) == 24);
static_assert(PF_VERSION(1, 0, 0, PF_Stage_DEVELOP, 1) == 0x80001u);
static_assert(PF_PLUGIN_KIND_EFFECT == (('e' << 24) | ('F' << 16) | ('K' << 8) | 'T'));
static_assert(AE_RESERVED_INFO == 8 && kSPBasicSuiteVersion == 4);
static_assert(kAEGPUtilitySuiteVersion6 == 13 && kAEGPPFInterfaceSuiteVersion1 == 1);
static_assert(kAEGPLayerSuiteVersion1 == 5 && kAEGPLayerSuiteVersion8 == 14 && kAEGPLayerSuiteVersion9 == 15);
static_assert(kAEGPLightSuiteVersion1 == 1 && kAEGPStreamSuiteVersion1 == 4 && kAEGPStreamSuiteVersion4 == 9);
static_assert(kPFParamUtilsSuiteVersion3 == 3 && kPFGPUDeviceSuiteVersion1 == 1 && kPFHandleSuiteVersion1 == 2);
static_assert(PF_CUDAVersion == 10010);

// ---------------------------------------------------------------- every table the host documents

// A_Time
static_assert(offsetof(A_Time, value) == 0 && sizeof(A_Time::value) == 4);
static_assert(offsetof(A_Time, scale) == 4 && sizeof(A_Time::scale) == 4);
static_assert(sizeof(A_Time) == 8 && alignof(A_Time) == 4);

// A_Ratio
static_assert(offsetof(A_Ratio, num) == 0 && sizeof(A_Ratio::num) == 4);
static_assert(offsetof(A_Ratio, den) == 4 && sizeof(A_Ratio::den) == 4);
static_assert(sizeof(A_Ratio) == 8 && alignof(A_Ratio) == 4);

// A_FloatPoint
static_assert(offsetof(A_FloatPoint, x) == 0 && sizeof(A_FloatPoint::x) == 8);
static_assert(offsetof(A_FloatPoint, y) == 8 && sizeof(A_FloatPoint::y) == 8);
static_assert(sizeof(A_FloatPoint) == 16 && alignof(A_FloatPoint) == 8);

// A_FloatPoint3
static_assert(offsetof(A_FloatPoint3, x) == 0 && sizeof(A_FloatPoint3::x) == 8);
static_assert(offsetof(A_FloatPoint3, y) == 8 && sizeof(A_FloatPoint3::y) == 8);
static_assert(offsetof(A_FloatPoint3, z) == 16 && sizeof(A_FloatPoint3::z) == 8);
static_assert(sizeof(A_FloatPoint3) == 24 && alignof(A_FloatPoint3) == 8);

// A_Matrix4
static_assert(offsetof(A_Matrix4, mat) == 0 && sizeof(A_Matrix4::mat) == 128);
static_assert(sizeof(A_Matrix4) == 128 && alignof(A_Matrix4) == 8);

// A_Color
static_assert(offsetof(A_Color, alpha) == 0 && sizeof(A_Color::alpha) == 8);
static_assert(offsetof(A_Color, red) == 8 && sizeof(A_Color::red) == 8);
static_assert(offsetof(A_Color, green) == 16 && sizeof(A_Color::green) == 8);
static_assert(offsetof(A_Color, blue) == 24 && sizeof(A_Color::blue) == 8);
static_assert(sizeof(A_Color) == 32 && alignof(A_Color) == 8);

// A_LRect
static_assert(offsetof(A_LRect, left) == 0 && sizeof(A_LRect::left) == 4);
static_assert(offsetof(A_LRect, top) == 4 && sizeof(A_LRect::top) == 4);
static_assert(offsetof(A_LRect, right) == 8 && sizeof(A_LRect::right) == 4);
static_assert(offsetof(A_LRect, bottom) == 12 && sizeof(A_LRect::bottom) == 4);
static_assert(sizeof(A_LRect) == 16 && alignof(A_LRect) == 4);

// PF_SpecVersion
static_assert(offsetof(PF_SpecVersion, major) == 0 && sizeof(PF_SpecVersion::major) == 2);
static_assert(offsetof(PF_SpecVersion, minor) == 2 && sizeof(PF_SpecVersion::minor) == 2);
static_assert(sizeof(PF_SpecVersion) == 4 && alignof(PF_SpecVersion) == 2);

// PF_Point
static_assert(offsetof(PF_Point, h) == 0 && sizeof(PF_Point::h) == 4);
static_assert(offsetof(PF_Point, v) == 4 && sizeof(PF_Point::v) == 4);
static_assert(sizeof(PF_Point) == 8 && alignof(PF_Point) == 4);

// PF_LRect
static_assert(offsetof(PF_LRect, left) == 0 && sizeof(PF_LRect::left) == 4);
static_assert(offsetof(PF_LRect, top) == 4 && sizeof(PF_LRect::top) == 4);
static_assert(offsetof(PF_LRect, right) == 8 && sizeof(PF_LRect::right) == 4);
static_assert(offsetof(PF_LRect, bottom) == 12 && sizeof(PF_LRect::bottom) == 4);
static_assert(sizeof(PF_LRect) == 16 && alignof(PF_LRect) == 4);

// PF_RationalScale
static_assert(offsetof(PF_RationalScale, num) == 0 && sizeof(PF_RationalScale::num) == 4);
static_assert(offsetof(PF_RationalScale, den) == 4 && sizeof(PF_RationalScale::den) == 4);
static_assert(sizeof(PF_RationalScale) == 8 && alignof(PF_RationalScale) == 4);

// PF_FixedPoint
static_assert(offsetof(PF_FixedPoint, x) == 0 && sizeof(PF_FixedPoint::x) == 4);
static_assert(offsetof(PF_FixedPoint, y) == 4 && sizeof(PF_FixedPoint::y) == 4);
static_assert(sizeof(PF_FixedPoint) == 8 && alignof(PF_FixedPoint) == 4);

// PF_Pixel
static_assert(offsetof(PF_Pixel, alpha) == 0 && sizeof(PF_Pixel::alpha) == 1);
static_assert(offsetof(PF_Pixel, red) == 1 && sizeof(PF_Pixel::red) == 1);
static_assert(offsetof(PF_Pixel, green) == 2 && sizeof(PF_Pixel::green) == 1);
static_assert(offsetof(PF_Pixel, blue) == 3 && sizeof(PF_Pixel::blue) == 1);
static_assert(sizeof(PF_Pixel) == 4 && alignof(PF_Pixel) == 1);

// PF_Pixel16
static_assert(offsetof(PF_Pixel16, alpha) == 0 && sizeof(PF_Pixel16::alpha) == 2);
static_assert(offsetof(PF_Pixel16, red) == 2 && sizeof(PF_Pixel16::red) == 2);
static_assert(offsetof(PF_Pixel16, green) == 4 && sizeof(PF_Pixel16::green) == 2);
static_assert(offsetof(PF_Pixel16, blue) == 6 && sizeof(PF_Pixel16::blue) == 2);
static_assert(sizeof(PF_Pixel16) == 8 && alignof(PF_Pixel16) == 2);

// PF_PixelFloat
static_assert(offsetof(PF_PixelFloat, alpha) == 0 && sizeof(PF_PixelFloat::alpha) == 4);
static_assert(offsetof(PF_PixelFloat, red) == 4 && sizeof(PF_PixelFloat::red) == 4);
static_assert(offsetof(PF_PixelFloat, green) == 8 && sizeof(PF_PixelFloat::green) == 4);
static_assert(offsetof(PF_PixelFloat, blue) == 12 && sizeof(PF_PixelFloat::blue) == 4);
static_assert(sizeof(PF_PixelFloat) == 16 && alignof(PF_PixelFloat) == 4);

// PF_CompositeMode
static_assert(offsetof(PF_CompositeMode, xfer) == 0 && sizeof(PF_CompositeMode::xfer) == 4);
static_assert(offsetof(PF_CompositeMode, rand_seed) == 4 && sizeof(PF_CompositeMode::rand_seed) == 4);
static_assert(offsetof(PF_CompositeMode, opacity) == 8 && sizeof(PF_CompositeMode::opacity) == 1);
static_assert(offsetof(PF_CompositeMode, rgb_only) == 9 && sizeof(PF_CompositeMode::rgb_only) == 1);
static_assert(offsetof(PF_CompositeMode, opacitySu) == 10 && sizeof(PF_CompositeMode::opacitySu) == 2);
static_assert(sizeof(PF_CompositeMode) == 12 && alignof(PF_CompositeMode) == 4);

// PF_FloatMatrix
static_assert(offsetof(PF_FloatMatrix, mat) == 0 && sizeof(PF_FloatMatrix::mat) == 72);
static_assert(sizeof(PF_FloatMatrix) == 72 && alignof(PF_FloatMatrix) == 8);

// PF_InData
static_assert(offsetof(PF_InData, inter) == 0 && sizeof(PF_InData::inter) == 176);
static_assert(offsetof(PF_InData, utils) == 176 && sizeof(PF_InData::utils) == 8);
static_assert(offsetof(PF_InData, effect_ref) == 184 && sizeof(PF_InData::effect_ref) == 8);
static_assert(offsetof(PF_InData, quality) == 192 && sizeof(PF_InData::quality) == 4);
static_assert(offsetof(PF_InData, version) == 196 && sizeof(PF_InData::version) == 4);
static_assert(offsetof(PF_InData, serial_num) == 200 && sizeof(PF_InData::serial_num) == 4);
static_assert(offsetof(PF_InData, appl_id) == 204 && sizeof(PF_InData::appl_id) == 4);
static_assert(offsetof(PF_InData, num_params) == 208 && sizeof(PF_InData::num_params) == 4);
static_assert(offsetof(PF_InData, reserved) == 212 && sizeof(PF_InData::reserved) == 4);
static_assert(offsetof(PF_InData, what_cpu) == 216 && sizeof(PF_InData::what_cpu) == 4);
static_assert(offsetof(PF_InData, what_fpu) == 220 && sizeof(PF_InData::what_fpu) == 4);
static_assert(offsetof(PF_InData, current_time) == 224 && sizeof(PF_InData::current_time) == 4);
static_assert(offsetof(PF_InData, time_step) == 228 && sizeof(PF_InData::time_step) == 4);
static_assert(offsetof(PF_InData, total_time) == 232 && sizeof(PF_InData::total_time) == 4);
static_assert(offsetof(PF_InData, local_time_step) == 236 && sizeof(PF_InData::local_time_step) == 4);
static_assert(offsetof(PF_InData, time_scale) == 240 && sizeof(PF_InData::time_scale) == 4);
static_assert(offsetof(PF_InData, field) == 244 && sizeof(PF_InData::field) == 4);
static_assert(offsetof(PF_InData, shutter_angle) == 248 && sizeof(PF_InData::shutter_angle) == 4);
static_assert(offsetof(PF_InData, width) == 252 && sizeof(PF_InData::width) == 4);
static_assert(offsetof(PF_InData, height) == 256 && sizeof(PF_InData::height) == 4);
static_assert(offsetof(PF_InData, extent_hint) == 260 && sizeof(PF_InData::extent_hint) == 16);
static_assert(offsetof(PF_InData, output_origin_x) == 276 && sizeof(PF_InData::output_origin_x) == 4);
static_assert(offsetof(PF_InData, output_origin_y) == 280 && sizeof(PF_InData::output_origin_y) == 4);
static_assert(offsetof(PF_InData, downsample_x) == 284 && sizeof(PF_InData::downsample_x) == 8);
static_assert(offsetof(PF_InData, downsample_y) == 292 && sizeof(PF_InData::downsample_y) == 8);
static_assert(offsetof(PF_InData, pixel_aspect_ratio) == 300 && sizeof(PF_InData::pixel_aspect_ratio) == 8);
static_assert(offsetof(PF_InData, in_flags) == 308 && sizeof(PF_InData::in_flags) == 4);
static_assert(offsetof(PF_InData, global_data) == 312 && sizeof(PF_InData::global_data) == 8);
static_assert(offsetof(PF_InData, sequence_data) == 320 && sizeof(PF_InData::sequence_data) == 8);
static_assert(offsetof(PF_InData, frame_data) == 328 && sizeof(PF_InData::frame_data) == 8);
static_assert(offsetof(PF_InData, start_sampL) == 336 && sizeof(PF_InData::start_sampL) == 4);
static_assert(offsetof(PF_InData, dur_sampL) == 340 && sizeof(PF_InData::dur_sampL) == 4);
static_assert(offsetof(PF_InData, total_sampL) == 344 && sizeof(PF_InData::total_sampL) == 4);
static_assert(offsetof(PF_InData, src_snd) == 352 && sizeof(PF_InData::src_snd) == 32);
static_assert(offsetof(PF_InData, pica_basicP) == 384 && sizeof(PF_InData::pica_basicP) == 8);
static_assert(offsetof(PF_InData, pre_effect_source_origin_x) == 392 &&
              sizeof(PF_InData::pre_effect_source_origin_x) == 4);
static_assert(offsetof(PF_InData, pre_effect_source_origin_y) == 396 &&
              sizeof(PF_InData::pre_effect_source_origin_y) == 4);
static_assert(offsetof(PF_InData, shutter_phase) == 400 && sizeof(PF_InData::shutter_phase) == 4);
static_assert(sizeof(PF_InData) == 408 && alignof(PF_InData) == 8);

// PF_InteractCallbacks (embedded at PF_InData offset 0)
static_assert(offsetof(PF_InteractCallbacks, checkout_param) == 0 && sizeof(PF_InteractCallbacks::checkout_param) == 8);
static_assert(offsetof(PF_InteractCallbacks, checkin_param) == 8 && sizeof(PF_InteractCallbacks::checkin_param) == 8);
static_assert(offsetof(PF_InteractCallbacks, add_param) == 16 && sizeof(PF_InteractCallbacks::add_param) == 8);
static_assert(offsetof(PF_InteractCallbacks, abort) == 24 && sizeof(PF_InteractCallbacks::abort) == 8);
static_assert(offsetof(PF_InteractCallbacks, progress) == 32 && sizeof(PF_InteractCallbacks::progress) == 8);
static_assert(offsetof(PF_InteractCallbacks, register_ui) == 40 && sizeof(PF_InteractCallbacks::register_ui) == 8);
static_assert(offsetof(PF_InteractCallbacks, checkout_layer_audio) == 48 &&
              sizeof(PF_InteractCallbacks::checkout_layer_audio) == 8);
static_assert(offsetof(PF_InteractCallbacks, checkin_layer_audio) == 56 &&
              sizeof(PF_InteractCallbacks::checkin_layer_audio) == 8);
static_assert(offsetof(PF_InteractCallbacks, get_audio_data) == 64 &&
              sizeof(PF_InteractCallbacks::get_audio_data) == 8);
static_assert(offsetof(PF_InteractCallbacks, reserved_str) == 72 && sizeof(PF_InteractCallbacks::reserved_str) == 24);
static_assert(offsetof(PF_InteractCallbacks, reserved) == 96 && sizeof(PF_InteractCallbacks::reserved) == 80);
static_assert(sizeof(PF_InteractCallbacks) == 176);

// PF_OutData
static_assert(offsetof(PF_OutData, my_version) == 0 && sizeof(PF_OutData::my_version) == 4);
static_assert(offsetof(PF_OutData, name) == 4 && sizeof(PF_OutData::name) == 32);
static_assert(offsetof(PF_OutData, global_data) == 40 && sizeof(PF_OutData::global_data) == 8);
static_assert(offsetof(PF_OutData, num_params) == 48 && sizeof(PF_OutData::num_params) == 4);
static_assert(offsetof(PF_OutData, sequence_data) == 56 && sizeof(PF_OutData::sequence_data) == 8);
static_assert(offsetof(PF_OutData, flat_sdata_size) == 64 && sizeof(PF_OutData::flat_sdata_size) == 4);
static_assert(offsetof(PF_OutData, frame_data) == 72 && sizeof(PF_OutData::frame_data) == 8);
static_assert(offsetof(PF_OutData, width) == 80 && sizeof(PF_OutData::width) == 4);
static_assert(offsetof(PF_OutData, height) == 84 && sizeof(PF_OutData::height) == 4);
static_assert(offsetof(PF_OutData, origin) == 88 && sizeof(PF_OutData::origin) == 8);
static_assert(offsetof(PF_OutData, out_flags) == 96 && sizeof(PF_OutData::out_flags) == 4);
static_assert(offsetof(PF_OutData, return_msg) == 100 && sizeof(PF_OutData::return_msg) == 256);
static_assert(offsetof(PF_OutData, start_sampL) == 356 && sizeof(PF_OutData::start_sampL) == 4);
static_assert(offsetof(PF_OutData, dur_sampL) == 360 && sizeof(PF_OutData::dur_sampL) == 4);
static_assert(offsetof(PF_OutData, dest_snd) == 368 && sizeof(PF_OutData::dest_snd) == 32);
static_assert(offsetof(PF_OutData, out_flags2) == 400 && sizeof(PF_OutData::out_flags2) == 4);
static_assert(sizeof(PF_OutData) == 408 && alignof(PF_OutData) == 8);

// PF_SoundFormatInfo
static_assert(offsetof(PF_SoundFormatInfo, rateF) == 0 && sizeof(PF_SoundFormatInfo::rateF) == 8);
static_assert(offsetof(PF_SoundFormatInfo, num_channels) == 8 && sizeof(PF_SoundFormatInfo::num_channels) == 2);
static_assert(offsetof(PF_SoundFormatInfo, format) == 10 && sizeof(PF_SoundFormatInfo::format) == 2);
static_assert(offsetof(PF_SoundFormatInfo, sample_size) == 12 && sizeof(PF_SoundFormatInfo::sample_size) == 2);
static_assert(sizeof(PF_SoundFormatInfo) == 16 && alignof(PF_SoundFormatInfo) == 8);

// PF_SoundWorld
static_assert(offsetof(PF_SoundWorld, fi) == 0 && sizeof(PF_SoundWorld::fi) == 16);
static_assert(offsetof(PF_SoundWorld, num_samples) == 16 && sizeof(PF_SoundWorld::num_samples) == 4);
static_assert(offsetof(PF_SoundWorld, dataP) == 24 && sizeof(PF_SoundWorld::dataP) == 8);
static_assert(sizeof(PF_SoundWorld) == 32 && alignof(PF_SoundWorld) == 8);

// PF_UtilCallbacks (`in_data->utils`)
static_assert(offsetof(PF_UtilCallbacks, begin_sampling) == 0 && sizeof(PF_UtilCallbacks::begin_sampling) == 8);
static_assert(offsetof(PF_UtilCallbacks, subpixel_sample) == 8 && sizeof(PF_UtilCallbacks::subpixel_sample) == 8);
static_assert(offsetof(PF_UtilCallbacks, area_sample) == 16 && sizeof(PF_UtilCallbacks::area_sample) == 8);
static_assert(offsetof(PF_UtilCallbacks, get_batch_func_is_deprecated) == 24 &&
              sizeof(PF_UtilCallbacks::get_batch_func_is_deprecated) == 8);
static_assert(offsetof(PF_UtilCallbacks, end_sampling) == 32 && sizeof(PF_UtilCallbacks::end_sampling) == 8);
static_assert(offsetof(PF_UtilCallbacks, composite_rect) == 40 && sizeof(PF_UtilCallbacks::composite_rect) == 8);
static_assert(offsetof(PF_UtilCallbacks, blend) == 48 && sizeof(PF_UtilCallbacks::blend) == 8);
static_assert(offsetof(PF_UtilCallbacks, convolve) == 56 && sizeof(PF_UtilCallbacks::convolve) == 8);
static_assert(offsetof(PF_UtilCallbacks, copy) == 64 && sizeof(PF_UtilCallbacks::copy) == 8);
static_assert(offsetof(PF_UtilCallbacks, fill) == 72 && sizeof(PF_UtilCallbacks::fill) == 8);
static_assert(offsetof(PF_UtilCallbacks, gaussian_kernel) == 80 && sizeof(PF_UtilCallbacks::gaussian_kernel) == 8);
static_assert(offsetof(PF_UtilCallbacks, iterate) == 88 && sizeof(PF_UtilCallbacks::iterate) == 8);
static_assert(offsetof(PF_UtilCallbacks, premultiply) == 96 && sizeof(PF_UtilCallbacks::premultiply) == 8);
static_assert(offsetof(PF_UtilCallbacks, premultiply_color) == 104 && sizeof(PF_UtilCallbacks::premultiply_color) == 8);
static_assert(offsetof(PF_UtilCallbacks, new_world) == 112 && sizeof(PF_UtilCallbacks::new_world) == 8);
static_assert(offsetof(PF_UtilCallbacks, dispose_world) == 120 && sizeof(PF_UtilCallbacks::dispose_world) == 8);
static_assert(offsetof(PF_UtilCallbacks, iterate_origin) == 128 && sizeof(PF_UtilCallbacks::iterate_origin) == 8);
static_assert(offsetof(PF_UtilCallbacks, iterate_lut) == 136 && sizeof(PF_UtilCallbacks::iterate_lut) == 8);
static_assert(offsetof(PF_UtilCallbacks, transfer_rect) == 144 && sizeof(PF_UtilCallbacks::transfer_rect) == 8);
static_assert(offsetof(PF_UtilCallbacks, transform_world) == 152 && sizeof(PF_UtilCallbacks::transform_world) == 8);
static_assert(offsetof(PF_UtilCallbacks, host_new_handle) == 160 && sizeof(PF_UtilCallbacks::host_new_handle) == 8);
static_assert(offsetof(PF_UtilCallbacks, host_lock_handle) == 168 && sizeof(PF_UtilCallbacks::host_lock_handle) == 8);
static_assert(offsetof(PF_UtilCallbacks, host_unlock_handle) == 176 &&
              sizeof(PF_UtilCallbacks::host_unlock_handle) == 8);
static_assert(offsetof(PF_UtilCallbacks, host_dispose_handle) == 184 &&
              sizeof(PF_UtilCallbacks::host_dispose_handle) == 8);
static_assert(offsetof(PF_UtilCallbacks, get_callback_addr) == 192 && sizeof(PF_UtilCallbacks::get_callback_addr) == 8);
static_assert(offsetof(PF_UtilCallbacks, app) == 200 && sizeof(PF_UtilCallbacks::app) == 8);
static_assert(offsetof(PF_UtilCallbacks, ansi) == 208 && sizeof(PF_UtilCallbacks::ansi) == 160);
static_assert(offsetof(PF_UtilCallbacks, colorCB) == 368 && sizeof(PF_UtilCallbacks::colorCB) == 64);
static_assert(offsetof(PF_UtilCallbacks, get_platform_data) == 432 && sizeof(PF_UtilCallbacks::get_platform_data) == 8);
static_assert(offsetof(PF_UtilCallbacks, host_get_handle_size) == 440 &&
              sizeof(PF_UtilCallbacks::host_get_handle_size) == 8);
static_assert(offsetof(PF_UtilCallbacks, iterate_origin_non_clip_src) == 448 &&
              sizeof(PF_UtilCallbacks::iterate_origin_non_clip_src) == 8);
static_assert(offsetof(PF_UtilCallbacks, iterate_generic) == 456 && sizeof(PF_UtilCallbacks::iterate_generic) == 8);
static_assert(offsetof(PF_UtilCallbacks, host_resize_handle) == 464 &&
              sizeof(PF_UtilCallbacks::host_resize_handle) == 8);
static_assert(offsetof(PF_UtilCallbacks, subpixel_sample16) == 472 && sizeof(PF_UtilCallbacks::subpixel_sample16) == 8);
static_assert(offsetof(PF_UtilCallbacks, area_sample16) == 480 && sizeof(PF_UtilCallbacks::area_sample16) == 8);
static_assert(offsetof(PF_UtilCallbacks, fill16) == 488 && sizeof(PF_UtilCallbacks::fill16) == 8);
static_assert(offsetof(PF_UtilCallbacks, premultiply_color16) == 496 &&
              sizeof(PF_UtilCallbacks::premultiply_color16) == 8);
static_assert(offsetof(PF_UtilCallbacks, iterate16) == 504 && sizeof(PF_UtilCallbacks::iterate16) == 8);
static_assert(offsetof(PF_UtilCallbacks, iterate_origin16) == 512 && sizeof(PF_UtilCallbacks::iterate_origin16) == 8);
static_assert(offsetof(PF_UtilCallbacks, iterate_origin_non_clip_src16) == 520 &&
              sizeof(PF_UtilCallbacks::iterate_origin_non_clip_src16) == 8);
static_assert(offsetof(PF_UtilCallbacks, get_pixel_data8) == 528 && sizeof(PF_UtilCallbacks::get_pixel_data8) == 8);
static_assert(offsetof(PF_UtilCallbacks, get_pixel_data16) == 536 && sizeof(PF_UtilCallbacks::get_pixel_data16) == 8);
static_assert(offsetof(PF_UtilCallbacks, reserved) == 544 && sizeof(PF_UtilCallbacks::reserved) == 4);
static_assert(sizeof(PF_UtilCallbacks) == 552);

// PF_ANSICallbacks (embedded at PF_UtilCallbacks offset 208)
static_assert(offsetof(PF_ANSICallbacks, atan) == 0 && sizeof(PF_ANSICallbacks::atan) == 8);
static_assert(offsetof(PF_ANSICallbacks, atan2) == 8 && sizeof(PF_ANSICallbacks::atan2) == 8);
static_assert(offsetof(PF_ANSICallbacks, ceil) == 16 && sizeof(PF_ANSICallbacks::ceil) == 8);
static_assert(offsetof(PF_ANSICallbacks, cos) == 24 && sizeof(PF_ANSICallbacks::cos) == 8);
static_assert(offsetof(PF_ANSICallbacks, exp) == 32 && sizeof(PF_ANSICallbacks::exp) == 8);
static_assert(offsetof(PF_ANSICallbacks, fabs) == 40 && sizeof(PF_ANSICallbacks::fabs) == 8);
static_assert(offsetof(PF_ANSICallbacks, floor) == 48 && sizeof(PF_ANSICallbacks::floor) == 8);
static_assert(offsetof(PF_ANSICallbacks, fmod) == 56 && sizeof(PF_ANSICallbacks::fmod) == 8);
static_assert(offsetof(PF_ANSICallbacks, hypot) == 64 && sizeof(PF_ANSICallbacks::hypot) == 8);
static_assert(offsetof(PF_ANSICallbacks, log) == 72 && sizeof(PF_ANSICallbacks::log) == 8);
static_assert(offsetof(PF_ANSICallbacks, log10) == 80 && sizeof(PF_ANSICallbacks::log10) == 8);
static_assert(offsetof(PF_ANSICallbacks, pow) == 88 && sizeof(PF_ANSICallbacks::pow) == 8);
static_assert(offsetof(PF_ANSICallbacks, sin) == 96 && sizeof(PF_ANSICallbacks::sin) == 8);
static_assert(offsetof(PF_ANSICallbacks, sqrt) == 104 && sizeof(PF_ANSICallbacks::sqrt) == 8);
static_assert(offsetof(PF_ANSICallbacks, tan) == 112 && sizeof(PF_ANSICallbacks::tan) == 8);
static_assert(offsetof(PF_ANSICallbacks, sprintf) == 120 && sizeof(PF_ANSICallbacks::sprintf) == 8);
static_assert(offsetof(PF_ANSICallbacks, strcpy) == 128 && sizeof(PF_ANSICallbacks::strcpy) == 8);
static_assert(offsetof(PF_ANSICallbacks, asin) == 136 && sizeof(PF_ANSICallbacks::asin) == 8);
static_assert(offsetof(PF_ANSICallbacks, acos) == 144 && sizeof(PF_ANSICallbacks::acos) == 8);
static_assert(offsetof(PF_ANSICallbacks, ansi_procs) == 152 && sizeof(PF_ANSICallbacks::ansi_procs) == 4);
static_assert(sizeof(PF_ANSICallbacks) == 160);

// PF_ColorCallbacks (embedded at PF_UtilCallbacks offset 368)
static_assert(offsetof(PF_ColorCallbacks, RGBtoHLS) == 0 && sizeof(PF_ColorCallbacks::RGBtoHLS) == 8);
static_assert(offsetof(PF_ColorCallbacks, HLStoRGB) == 8 && sizeof(PF_ColorCallbacks::HLStoRGB) == 8);
static_assert(offsetof(PF_ColorCallbacks, RGBtoYIQ) == 16 && sizeof(PF_ColorCallbacks::RGBtoYIQ) == 8);
static_assert(offsetof(PF_ColorCallbacks, YIQtoRGB) == 24 && sizeof(PF_ColorCallbacks::YIQtoRGB) == 8);
static_assert(offsetof(PF_ColorCallbacks, Luminance) == 32 && sizeof(PF_ColorCallbacks::Luminance) == 8);
static_assert(offsetof(PF_ColorCallbacks, Hue) == 40 && sizeof(PF_ColorCallbacks::Hue) == 8);
static_assert(offsetof(PF_ColorCallbacks, Lightness) == 48 && sizeof(PF_ColorCallbacks::Lightness) == 8);
static_assert(offsetof(PF_ColorCallbacks, Saturation) == 56 && sizeof(PF_ColorCallbacks::Saturation) == 8);
static_assert(sizeof(PF_ColorCallbacks) == 64);

// PF_LayerDef = PF_EffectWorld (image buffers)
static_assert(offsetof(PF_LayerDef, reserved0) == 0 && sizeof(PF_LayerDef::reserved0) == 8);
static_assert(offsetof(PF_LayerDef, reserved1) == 8 && sizeof(PF_LayerDef::reserved1) == 8);
static_assert(offsetof(PF_LayerDef, world_flags) == 16 && sizeof(PF_LayerDef::world_flags) == 4);
static_assert(offsetof(PF_LayerDef, data) == 24 && sizeof(PF_LayerDef::data) == 8);
static_assert(offsetof(PF_LayerDef, rowbytes) == 32 && sizeof(PF_LayerDef::rowbytes) == 4);
static_assert(offsetof(PF_LayerDef, width) == 36 && sizeof(PF_LayerDef::width) == 4);
static_assert(offsetof(PF_LayerDef, height) == 40 && sizeof(PF_LayerDef::height) == 4);
static_assert(offsetof(PF_LayerDef, extent_hint) == 44 && sizeof(PF_LayerDef::extent_hint) == 16);
static_assert(offsetof(PF_LayerDef, platform_ref) == 64 && sizeof(PF_LayerDef::platform_ref) == 8);
static_assert(offsetof(PF_LayerDef, reserved_long1) == 72 && sizeof(PF_LayerDef::reserved_long1) == 4);
static_assert(offsetof(PF_LayerDef, reserved_long4) == 80 && sizeof(PF_LayerDef::reserved_long4) == 8);
static_assert(offsetof(PF_LayerDef, pix_aspect_ratio) == 88 && sizeof(PF_LayerDef::pix_aspect_ratio) == 8);
static_assert(offsetof(PF_LayerDef, reserved_long2) == 96 && sizeof(PF_LayerDef::reserved_long2) == 8);
static_assert(offsetof(PF_LayerDef, origin_x) == 104 && sizeof(PF_LayerDef::origin_x) == 4);
static_assert(offsetof(PF_LayerDef, origin_y) == 108 && sizeof(PF_LayerDef::origin_y) == 4);
static_assert(offsetof(PF_LayerDef, reserved_long3) == 112 && sizeof(PF_LayerDef::reserved_long3) == 4);
static_assert(offsetof(PF_LayerDef, dephault) == 116 && sizeof(PF_LayerDef::dephault) == 4);
static_assert(sizeof(PF_LayerDef) == 120 && alignof(PF_LayerDef) == 8);

// PF_ParamDef
static_assert(offsetof(PF_ParamDef, uu) == 0 && sizeof(PF_ParamDef::uu) == 4);
static_assert(offsetof(PF_ParamDef, ui_flags) == 4 && sizeof(PF_ParamDef::ui_flags) == 4);
static_assert(offsetof(PF_ParamDef, ui_width) == 8 && sizeof(PF_ParamDef::ui_width) == 2);
static_assert(offsetof(PF_ParamDef, ui_height) == 10 && sizeof(PF_ParamDef::ui_height) == 2);
static_assert(offsetof(PF_ParamDef, param_type) == 12 && sizeof(PF_ParamDef::param_type) == 4);
static_assert(offsetof(PF_ParamDef, name) == 16 && sizeof(PF_ParamDef::name) == 32);
static_assert(offsetof(PF_ParamDef, flags) == 48 && sizeof(PF_ParamDef::flags) == 4);
static_assert(offsetof(PF_ParamDef, unused) == 52 && sizeof(PF_ParamDef::unused) == 4);
static_assert(offsetof(PF_ParamDef, u) == 56 && sizeof(PF_ParamDef::u) == 120);
static_assert(sizeof(PF_ParamDef) == 176 && alignof(PF_ParamDef) == 8);

// PF_ParamDefUnion (at PF_ParamDef offset 56)
static_assert(offsetof(PF_ParamDefUnion, ld) == 0 && sizeof(PF_ParamDefUnion::ld) == 120);
static_assert(offsetof(PF_ParamDefUnion, sd) == 0 && sizeof(PF_ParamDefUnion::sd) == 88);
static_assert(offsetof(PF_ParamDefUnion, fd) == 0 && sizeof(PF_ParamDefUnion::fd) == 92);
static_assert(offsetof(PF_ParamDefUnion, ad) == 0 && sizeof(PF_ParamDefUnion::ad) == 16);
static_assert(offsetof(PF_ParamDefUnion, bd) == 0 && sizeof(PF_ParamDefUnion::bd) == 16);
static_assert(offsetof(PF_ParamDefUnion, cd) == 0 && sizeof(PF_ParamDefUnion::cd) == 8);
static_assert(offsetof(PF_ParamDefUnion, td) == 0 && sizeof(PF_ParamDefUnion::td) == 20);
static_assert(offsetof(PF_ParamDefUnion, pd) == 0 && sizeof(PF_ParamDefUnion::pd) == 16);
static_assert(offsetof(PF_ParamDefUnion, fs_d) == 0 && sizeof(PF_ParamDefUnion::fs_d) == 88);
static_assert(offsetof(PF_ParamDefUnion, arb_d) == 0 && sizeof(PF_ParamDefUnion::arb_d) == 32);
static_assert(offsetof(PF_ParamDefUnion, path_d) == 0 && sizeof(PF_ParamDefUnion::path_d) == 12);
static_assert(offsetof(PF_ParamDefUnion, button_d) == 0 && sizeof(PF_ParamDefUnion::button_d) == 16);
static_assert(offsetof(PF_ParamDefUnion, point3d_d) == 0 && sizeof(PF_ParamDefUnion::point3d_d) == 64);
static_assert(sizeof(PF_ParamDefUnion) == 120 && alignof(PF_ParamDefUnion) == 8);

// PF_FloatSliderDef (`u.fs_d`, PF_Param_FLOAT_SLIDER = 10)
static_assert(offsetof(PF_FloatSliderDef, value) == 0 && sizeof(PF_FloatSliderDef::value) == 8);
static_assert(offsetof(PF_FloatSliderDef, phase) == 8 && sizeof(PF_FloatSliderDef::phase) == 8);
static_assert(offsetof(PF_FloatSliderDef, value_desc) == 16 && sizeof(PF_FloatSliderDef::value_desc) == 32);
static_assert(offsetof(PF_FloatSliderDef, valid_min) == 48 && sizeof(PF_FloatSliderDef::valid_min) == 4);
static_assert(offsetof(PF_FloatSliderDef, valid_max) == 52 && sizeof(PF_FloatSliderDef::valid_max) == 4);
static_assert(offsetof(PF_FloatSliderDef, slider_min) == 56 && sizeof(PF_FloatSliderDef::slider_min) == 4);
static_assert(offsetof(PF_FloatSliderDef, slider_max) == 60 && sizeof(PF_FloatSliderDef::slider_max) == 4);
static_assert(offsetof(PF_FloatSliderDef, dephault) == 64 && sizeof(PF_FloatSliderDef::dephault) == 4);
static_assert(offsetof(PF_FloatSliderDef, precision) == 68 && sizeof(PF_FloatSliderDef::precision) == 2);
static_assert(offsetof(PF_FloatSliderDef, display_flags) == 70 && sizeof(PF_FloatSliderDef::display_flags) == 2);
static_assert(offsetof(PF_FloatSliderDef, fs_flags) == 72 && sizeof(PF_FloatSliderDef::fs_flags) == 4);
static_assert(offsetof(PF_FloatSliderDef, curve_tolerance) == 76 && sizeof(PF_FloatSliderDef::curve_tolerance) == 4);
static_assert(offsetof(PF_FloatSliderDef, useExponent) == 80 && sizeof(PF_FloatSliderDef::useExponent) == 1);
static_assert(offsetof(PF_FloatSliderDef, exponent) == 84 && sizeof(PF_FloatSliderDef::exponent) == 4);
static_assert(sizeof(PF_FloatSliderDef) == 88 && alignof(PF_FloatSliderDef) == 8);

// PF_CheckBoxDef (`u.bd`, PF_Param_CHECKBOX = 4)
static_assert(offsetof(PF_CheckBoxDef, value) == 0 && sizeof(PF_CheckBoxDef::value) == 4);
static_assert(offsetof(PF_CheckBoxDef, dephault) == 4 && sizeof(PF_CheckBoxDef::dephault) == 1);
static_assert(offsetof(PF_CheckBoxDef, reserved) == 5 && sizeof(PF_CheckBoxDef::reserved) == 1);
static_assert(offsetof(PF_CheckBoxDef, reserved1) == 6 && sizeof(PF_CheckBoxDef::reserved1) == 2);
static_assert(offsetof(PF_CheckBoxDef, u) == 8 && sizeof(PF_CheckBoxDef::u) == 8);
static_assert(sizeof(PF_CheckBoxDef) == 16 && alignof(PF_CheckBoxDef) == 8);

// PF_ColorDef (`u.cd`, PF_Param_COLOR = 5)
static_assert(offsetof(PF_ColorDef, value) == 0 && sizeof(PF_ColorDef::value) == 4);
static_assert(offsetof(PF_ColorDef, dephault) == 4 && sizeof(PF_ColorDef::dephault) == 4);
static_assert(sizeof(PF_ColorDef) == 8 && alignof(PF_ColorDef) == 1);

// PF_AngleDef (`u.ad`, PF_Param_ANGLE = 3)
static_assert(offsetof(PF_AngleDef, value) == 0 && sizeof(PF_AngleDef::value) == 4);
static_assert(offsetof(PF_AngleDef, dephault) == 4 && sizeof(PF_AngleDef::dephault) == 4);
static_assert(offsetof(PF_AngleDef, valid_min) == 8 && sizeof(PF_AngleDef::valid_min) == 4);
static_assert(offsetof(PF_AngleDef, valid_max) == 12 && sizeof(PF_AngleDef::valid_max) == 4);
static_assert(sizeof(PF_AngleDef) == 16 && alignof(PF_AngleDef) == 4);

// PF_PointDef
static_assert(offsetof(PF_PointDef, x_value) == 0 && sizeof(PF_PointDef::x_value) == 4);
static_assert(offsetof(PF_PointDef, y_value) == 4 && sizeof(PF_PointDef::y_value) == 4);
static_assert(offsetof(PF_PointDef, reserved) == 8 && sizeof(PF_PointDef::reserved) == 3);
static_assert(offsetof(PF_PointDef, restrict_bounds) == 11 && sizeof(PF_PointDef::restrict_bounds) == 1);
static_assert(offsetof(PF_PointDef, x_dephault) == 12 && sizeof(PF_PointDef::x_dephault) == 4);
static_assert(offsetof(PF_PointDef, y_dephault) == 16 && sizeof(PF_PointDef::y_dephault) == 4);
static_assert(sizeof(PF_PointDef) == 20 && alignof(PF_PointDef) == 4);

// PF_Point3DDef
static_assert(offsetof(PF_Point3DDef, x_value) == 0 && sizeof(PF_Point3DDef::x_value) == 8);
static_assert(offsetof(PF_Point3DDef, y_value) == 8 && sizeof(PF_Point3DDef::y_value) == 8);
static_assert(offsetof(PF_Point3DDef, z_value) == 16 && sizeof(PF_Point3DDef::z_value) == 8);
static_assert(offsetof(PF_Point3DDef, x_dephault) == 24 && sizeof(PF_Point3DDef::x_dephault) == 8);
static_assert(offsetof(PF_Point3DDef, y_dephault) == 32 && sizeof(PF_Point3DDef::y_dephault) == 8);
static_assert(offsetof(PF_Point3DDef, z_dephault) == 40 && sizeof(PF_Point3DDef::z_dephault) == 8);
static_assert(offsetof(PF_Point3DDef, reserved) == 48 && sizeof(PF_Point3DDef::reserved) == 16);
static_assert(sizeof(PF_Point3DDef) == 64 && alignof(PF_Point3DDef) == 8);

// PF_PopupDef
static_assert(offsetof(PF_PopupDef, value) == 0 && sizeof(PF_PopupDef::value) == 4);
static_assert(offsetof(PF_PopupDef, num_choices) == 4 && sizeof(PF_PopupDef::num_choices) == 2);
static_assert(offsetof(PF_PopupDef, dephault) == 6 && sizeof(PF_PopupDef::dephault) == 2);
static_assert(offsetof(PF_PopupDef, u) == 8 && sizeof(PF_PopupDef::u) == 8);
static_assert(sizeof(PF_PopupDef) == 16 && alignof(PF_PopupDef) == 8);

// PF_ButtonDef
static_assert(offsetof(PF_ButtonDef, value) == 0 && sizeof(PF_ButtonDef::value) == 4);
static_assert(offsetof(PF_ButtonDef, u) == 8 && sizeof(PF_ButtonDef::u) == 8);
static_assert(sizeof(PF_ButtonDef) == 16 && alignof(PF_ButtonDef) == 8);

// PF_SliderDef
static_assert(offsetof(PF_SliderDef, value) == 0 && sizeof(PF_SliderDef::value) == 4);
static_assert(offsetof(PF_SliderDef, value_str) == 4 && sizeof(PF_SliderDef::value_str) == 32);
static_assert(offsetof(PF_SliderDef, value_desc) == 36 && sizeof(PF_SliderDef::value_desc) == 32);
static_assert(offsetof(PF_SliderDef, valid_min) == 68 && sizeof(PF_SliderDef::valid_min) == 4);
static_assert(offsetof(PF_SliderDef, valid_max) == 72 && sizeof(PF_SliderDef::valid_max) == 4);
static_assert(offsetof(PF_SliderDef, slider_min) == 76 && sizeof(PF_SliderDef::slider_min) == 4);
static_assert(offsetof(PF_SliderDef, slider_max) == 80 && sizeof(PF_SliderDef::slider_max) == 4);
static_assert(offsetof(PF_SliderDef, dephault) == 84 && sizeof(PF_SliderDef::dephault) == 4);
static_assert(sizeof(PF_SliderDef) == 88 && alignof(PF_SliderDef) == 4);

// PF_FixedSliderDef
static_assert(offsetof(PF_FixedSliderDef, value) == 0 && sizeof(PF_FixedSliderDef::value) == 4);
static_assert(offsetof(PF_FixedSliderDef, value_str) == 4 && sizeof(PF_FixedSliderDef::value_str) == 32);
static_assert(offsetof(PF_FixedSliderDef, value_desc) == 36 && sizeof(PF_FixedSliderDef::value_desc) == 32);
static_assert(offsetof(PF_FixedSliderDef, valid_min) == 68 && sizeof(PF_FixedSliderDef::valid_min) == 4);
static_assert(offsetof(PF_FixedSliderDef, valid_max) == 72 && sizeof(PF_FixedSliderDef::valid_max) == 4);
static_assert(offsetof(PF_FixedSliderDef, slider_min) == 76 && sizeof(PF_FixedSliderDef::slider_min) == 4);
static_assert(offsetof(PF_FixedSliderDef, slider_max) == 80 && sizeof(PF_FixedSliderDef::slider_max) == 4);
static_assert(offsetof(PF_FixedSliderDef, dephault) == 84 && sizeof(PF_FixedSliderDef::dephault) == 4);
static_assert(offsetof(PF_FixedSliderDef, precision) == 88 && sizeof(PF_FixedSliderDef::precision) == 2);
static_assert(offsetof(PF_FixedSliderDef, display_flags) == 90 && sizeof(PF_FixedSliderDef::display_flags) == 2);
static_assert(sizeof(PF_FixedSliderDef) == 92 && alignof(PF_FixedSliderDef) == 4);

// PF_PathDef
static_assert(offsetof(PF_PathDef, path_id) == 0 && sizeof(PF_PathDef::path_id) == 4);
static_assert(offsetof(PF_PathDef, reserved0) == 4 && sizeof(PF_PathDef::reserved0) == 4);
static_assert(offsetof(PF_PathDef, dephault) == 8 && sizeof(PF_PathDef::dephault) == 4);
static_assert(sizeof(PF_PathDef) == 12 && alignof(PF_PathDef) == 4);

// PF_ArbitraryDef
static_assert(offsetof(PF_ArbitraryDef, id) == 0 && sizeof(PF_ArbitraryDef::id) == 2);
static_assert(offsetof(PF_ArbitraryDef, pad) == 2 && sizeof(PF_ArbitraryDef::pad) == 2);
static_assert(offsetof(PF_ArbitraryDef, dephault) == 8 && sizeof(PF_ArbitraryDef::dephault) == 8);
static_assert(offsetof(PF_ArbitraryDef, value) == 16 && sizeof(PF_ArbitraryDef::value) == 8);
static_assert(offsetof(PF_ArbitraryDef, refconPV) == 24 && sizeof(PF_ArbitraryDef::refconPV) == 8);
static_assert(sizeof(PF_ArbitraryDef) == 32 && alignof(PF_ArbitraryDef) == 8);

// PF_UserChangedParamExtra
static_assert(offsetof(PF_UserChangedParamExtra, param_index) == 0 &&
              sizeof(PF_UserChangedParamExtra::param_index) == 4);
static_assert(sizeof(PF_UserChangedParamExtra) == 4 && alignof(PF_UserChangedParamExtra) == 4);

// PF_RenderRequest
static_assert(offsetof(PF_RenderRequest, rect) == 0 && sizeof(PF_RenderRequest::rect) == 16);
static_assert(offsetof(PF_RenderRequest, field) == 16 && sizeof(PF_RenderRequest::field) == 4);
static_assert(offsetof(PF_RenderRequest, channel_mask) == 20 && sizeof(PF_RenderRequest::channel_mask) == 4);
static_assert(offsetof(PF_RenderRequest, preserve_rgb_of_zero_alpha) == 24 &&
              sizeof(PF_RenderRequest::preserve_rgb_of_zero_alpha) == 1);
static_assert(offsetof(PF_RenderRequest, unused) == 25 && sizeof(PF_RenderRequest::unused) == 3);
static_assert(offsetof(PF_RenderRequest, reserved) == 28 && sizeof(PF_RenderRequest::reserved) == 16);
static_assert(sizeof(PF_RenderRequest) == 44 && alignof(PF_RenderRequest) == 4);

// PF_PreRenderInput
static_assert(offsetof(PF_PreRenderInput, output_request) == 0 && sizeof(PF_PreRenderInput::output_request) == 44);
static_assert(offsetof(PF_PreRenderInput, bitdepth) == 44 && sizeof(PF_PreRenderInput::bitdepth) == 2);
static_assert(offsetof(PF_PreRenderInput, gpu_data) == 48 && sizeof(PF_PreRenderInput::gpu_data) == 8);
static_assert(offsetof(PF_PreRenderInput, what_gpu) == 56 && sizeof(PF_PreRenderInput::what_gpu) == 4);
static_assert(offsetof(PF_PreRenderInput, device_index) == 60 && sizeof(PF_PreRenderInput::device_index) == 4);
static_assert(sizeof(PF_PreRenderInput) == 64 && alignof(PF_PreRenderInput) == 8);

// PF_PreRenderOutput
static_assert(offsetof(PF_PreRenderOutput, result_rect) == 0 && sizeof(PF_PreRenderOutput::result_rect) == 16);
static_assert(offsetof(PF_PreRenderOutput, max_result_rect) == 16 && sizeof(PF_PreRenderOutput::max_result_rect) == 16);
static_assert(offsetof(PF_PreRenderOutput, solid) == 32 && sizeof(PF_PreRenderOutput::solid) == 1);
static_assert(offsetof(PF_PreRenderOutput, reserved) == 33 && sizeof(PF_PreRenderOutput::reserved) == 1);
static_assert(offsetof(PF_PreRenderOutput, flags) == 34 && sizeof(PF_PreRenderOutput::flags) == 2);
static_assert(offsetof(PF_PreRenderOutput, pre_render_data) == 40 && sizeof(PF_PreRenderOutput::pre_render_data) == 8);
static_assert(offsetof(PF_PreRenderOutput, delete_pre_render_data_func) == 48 &&
              sizeof(PF_PreRenderOutput::delete_pre_render_data_func) == 8);
static_assert(sizeof(PF_PreRenderOutput) == 56 && alignof(PF_PreRenderOutput) == 8);

// PF_CheckoutResult
static_assert(offsetof(PF_CheckoutResult, result_rect) == 0 && sizeof(PF_CheckoutResult::result_rect) == 16);
static_assert(offsetof(PF_CheckoutResult, max_result_rect) == 16 && sizeof(PF_CheckoutResult::max_result_rect) == 16);
static_assert(offsetof(PF_CheckoutResult, par) == 32 && sizeof(PF_CheckoutResult::par) == 8);
static_assert(offsetof(PF_CheckoutResult, solid) == 40 && sizeof(PF_CheckoutResult::solid) == 1);
static_assert(offsetof(PF_CheckoutResult, reservedB) == 41 && sizeof(PF_CheckoutResult::reservedB) == 3);
static_assert(offsetof(PF_CheckoutResult, ref_width) == 44 && sizeof(PF_CheckoutResult::ref_width) == 4);
static_assert(offsetof(PF_CheckoutResult, ref_height) == 48 && sizeof(PF_CheckoutResult::ref_height) == 4);
static_assert(offsetof(PF_CheckoutResult, reserved) == 52 && sizeof(PF_CheckoutResult::reserved) == 24);
static_assert(sizeof(PF_CheckoutResult) == 76 && alignof(PF_CheckoutResult) == 4);

// PF_PreRenderCallbacks
static_assert(offsetof(PF_PreRenderCallbacks, checkout_layer) == 0 &&
              sizeof(PF_PreRenderCallbacks::checkout_layer) == 8);
static_assert(offsetof(PF_PreRenderCallbacks, GuidMixInPtr) == 8 && sizeof(PF_PreRenderCallbacks::GuidMixInPtr) == 8);
static_assert(sizeof(PF_PreRenderCallbacks) == 16);

// PF_PreRenderExtra
static_assert(offsetof(PF_PreRenderExtra, input) == 0 && sizeof(PF_PreRenderExtra::input) == 8);
static_assert(offsetof(PF_PreRenderExtra, output) == 8 && sizeof(PF_PreRenderExtra::output) == 8);
static_assert(offsetof(PF_PreRenderExtra, cb) == 16 && sizeof(PF_PreRenderExtra::cb) == 8);
static_assert(sizeof(PF_PreRenderExtra) == 24 && alignof(PF_PreRenderExtra) == 8);

// PF_SmartRenderInput
static_assert(offsetof(PF_SmartRenderInput, output_request) == 0 && sizeof(PF_SmartRenderInput::output_request) == 44);
static_assert(offsetof(PF_SmartRenderInput, bitdepth) == 44 && sizeof(PF_SmartRenderInput::bitdepth) == 2);
static_assert(offsetof(PF_SmartRenderInput, pre_render_data) == 48 &&
              sizeof(PF_SmartRenderInput::pre_render_data) == 8);
static_assert(offsetof(PF_SmartRenderInput, gpu_data) == 56 && sizeof(PF_SmartRenderInput::gpu_data) == 8);
static_assert(offsetof(PF_SmartRenderInput, what_gpu) == 64 && sizeof(PF_SmartRenderInput::what_gpu) == 4);
static_assert(offsetof(PF_SmartRenderInput, device_index) == 68 && sizeof(PF_SmartRenderInput::device_index) == 4);
static_assert(sizeof(PF_SmartRenderInput) == 72 && alignof(PF_SmartRenderInput) == 8);

// PF_SmartRenderCallbacks
static_assert(offsetof(PF_SmartRenderCallbacks, checkout_layer_pixels) == 0 &&
              sizeof(PF_SmartRenderCallbacks::checkout_layer_pixels) == 8);
static_assert(offsetof(PF_SmartRenderCallbacks, checkin_layer_pixels) == 8 &&
              sizeof(PF_SmartRenderCallbacks::checkin_layer_pixels) == 8);
static_assert(offsetof(PF_SmartRenderCallbacks, checkout_output) == 16 &&
              sizeof(PF_SmartRenderCallbacks::checkout_output) == 8);
static_assert(sizeof(PF_SmartRenderCallbacks) == 24);

// PF_SmartRenderExtra
static_assert(offsetof(PF_SmartRenderExtra, input) == 0 && sizeof(PF_SmartRenderExtra::input) == 8);
static_assert(offsetof(PF_SmartRenderExtra, cb) == 8 && sizeof(PF_SmartRenderExtra::cb) == 8);
static_assert(sizeof(PF_SmartRenderExtra) == 16 && alignof(PF_SmartRenderExtra) == 8);

// PF_GPUDeviceSetupInput
static_assert(offsetof(PF_GPUDeviceSetupInput, what_gpu) == 0 && sizeof(PF_GPUDeviceSetupInput::what_gpu) == 4);
static_assert(offsetof(PF_GPUDeviceSetupInput, device_index) == 4 && sizeof(PF_GPUDeviceSetupInput::device_index) == 4);
static_assert(sizeof(PF_GPUDeviceSetupInput) == 8 && alignof(PF_GPUDeviceSetupInput) == 4);

// PF_GPUDeviceSetupOutput
static_assert(offsetof(PF_GPUDeviceSetupOutput, gpu_data) == 0 && sizeof(PF_GPUDeviceSetupOutput::gpu_data) == 8);
static_assert(sizeof(PF_GPUDeviceSetupOutput) == 8 && alignof(PF_GPUDeviceSetupOutput) == 8);

// PF_GPUDeviceSetupExtra
static_assert(offsetof(PF_GPUDeviceSetupExtra, input) == 0 && sizeof(PF_GPUDeviceSetupExtra::input) == 8);
static_assert(offsetof(PF_GPUDeviceSetupExtra, output) == 8 && sizeof(PF_GPUDeviceSetupExtra::output) == 8);
static_assert(sizeof(PF_GPUDeviceSetupExtra) == 16 && alignof(PF_GPUDeviceSetupExtra) == 8);

// PF_GPUDeviceSetdownInput
static_assert(offsetof(PF_GPUDeviceSetdownInput, gpu_data) == 0 && sizeof(PF_GPUDeviceSetdownInput::gpu_data) == 8);
static_assert(offsetof(PF_GPUDeviceSetdownInput, what_gpu) == 8 && sizeof(PF_GPUDeviceSetdownInput::what_gpu) == 4);
static_assert(offsetof(PF_GPUDeviceSetdownInput, device_index) == 12 &&
              sizeof(PF_GPUDeviceSetdownInput::device_index) == 4);
static_assert(sizeof(PF_GPUDeviceSetdownInput) == 16 && alignof(PF_GPUDeviceSetdownInput) == 8);

// PF_GPUDeviceSetdownExtra
static_assert(offsetof(PF_GPUDeviceSetdownExtra, input) == 0 && sizeof(PF_GPUDeviceSetdownExtra::input) == 8);
static_assert(sizeof(PF_GPUDeviceSetdownExtra) == 8 && alignof(PF_GPUDeviceSetdownExtra) == 8);

// PF_GPUDeviceInfo
static_assert(offsetof(PF_GPUDeviceInfo, device_framework) == 0 && sizeof(PF_GPUDeviceInfo::device_framework) == 4);
static_assert(offsetof(PF_GPUDeviceInfo, compatibleB) == 4 && sizeof(PF_GPUDeviceInfo::compatibleB) == 1);
static_assert(offsetof(PF_GPUDeviceInfo, platformPV) == 8 && sizeof(PF_GPUDeviceInfo::platformPV) == 8);
static_assert(offsetof(PF_GPUDeviceInfo, devicePV) == 16 && sizeof(PF_GPUDeviceInfo::devicePV) == 8);
static_assert(offsetof(PF_GPUDeviceInfo, contextPV) == 24 && sizeof(PF_GPUDeviceInfo::contextPV) == 8);
static_assert(offsetof(PF_GPUDeviceInfo, command_queuePV) == 32 && sizeof(PF_GPUDeviceInfo::command_queuePV) == 8);
static_assert(offsetof(PF_GPUDeviceInfo, offscreen_opengl_contextPV) == 40 &&
              sizeof(PF_GPUDeviceInfo::offscreen_opengl_contextPV) == 8);
static_assert(offsetof(PF_GPUDeviceInfo, offscreen_opengl_devicePV) == 48 &&
              sizeof(PF_GPUDeviceInfo::offscreen_opengl_devicePV) == 8);
static_assert(sizeof(PF_GPUDeviceInfo) == 56 && alignof(PF_GPUDeviceInfo) == 8);

// PF_GPUDeviceSuite1
static_assert(offsetof(PF_GPUDeviceSuite1, GetDeviceCount) == 0 && sizeof(PF_GPUDeviceSuite1::GetDeviceCount) == 8);
static_assert(offsetof(PF_GPUDeviceSuite1, GetDeviceInfo) == 8 && sizeof(PF_GPUDeviceSuite1::GetDeviceInfo) == 8);
static_assert(offsetof(PF_GPUDeviceSuite1, AcquireExclusiveDeviceAccess) == 16 &&
              sizeof(PF_GPUDeviceSuite1::AcquireExclusiveDeviceAccess) == 8);
static_assert(offsetof(PF_GPUDeviceSuite1, ReleaseExclusiveDeviceAccess) == 24 &&
              sizeof(PF_GPUDeviceSuite1::ReleaseExclusiveDeviceAccess) == 8);
static_assert(offsetof(PF_GPUDeviceSuite1, AllocateDeviceMemory) == 32 &&
              sizeof(PF_GPUDeviceSuite1::AllocateDeviceMemory) == 8);
static_assert(offsetof(PF_GPUDeviceSuite1, FreeDeviceMemory) == 40 &&
              sizeof(PF_GPUDeviceSuite1::FreeDeviceMemory) == 8);
static_assert(offsetof(PF_GPUDeviceSuite1, PurgeDeviceMemory) == 48 &&
              sizeof(PF_GPUDeviceSuite1::PurgeDeviceMemory) == 8);
static_assert(offsetof(PF_GPUDeviceSuite1, AllocateHostMemory) == 56 &&
              sizeof(PF_GPUDeviceSuite1::AllocateHostMemory) == 8);
static_assert(offsetof(PF_GPUDeviceSuite1, FreeHostMemory) == 64 && sizeof(PF_GPUDeviceSuite1::FreeHostMemory) == 8);
static_assert(offsetof(PF_GPUDeviceSuite1, PurgeHostMemory) == 72 && sizeof(PF_GPUDeviceSuite1::PurgeHostMemory) == 8);
static_assert(offsetof(PF_GPUDeviceSuite1, CreateGPUWorld) == 80 && sizeof(PF_GPUDeviceSuite1::CreateGPUWorld) == 8);
static_assert(offsetof(PF_GPUDeviceSuite1, DisposeGPUWorld) == 88 && sizeof(PF_GPUDeviceSuite1::DisposeGPUWorld) == 8);
static_assert(offsetof(PF_GPUDeviceSuite1, GetGPUWorldData) == 96 && sizeof(PF_GPUDeviceSuite1::GetGPUWorldData) == 8);
static_assert(offsetof(PF_GPUDeviceSuite1, GetGPUWorldSize) == 104 && sizeof(PF_GPUDeviceSuite1::GetGPUWorldSize) == 8);
static_assert(offsetof(PF_GPUDeviceSuite1, GetGPUWorldDeviceIndex) == 112 &&
              sizeof(PF_GPUDeviceSuite1::GetGPUWorldDeviceIndex) == 8);
static_assert(sizeof(PF_GPUDeviceSuite1) == 120);

// SPBasicSuite (`in_data->pica_basicP`)
static_assert(offsetof(SPBasicSuite, AcquireSuite) == 0 && sizeof(SPBasicSuite::AcquireSuite) == 8);
static_assert(offsetof(SPBasicSuite, ReleaseSuite) == 8 && sizeof(SPBasicSuite::ReleaseSuite) == 8);
static_assert(offsetof(SPBasicSuite, IsEqual) == 16 && sizeof(SPBasicSuite::IsEqual) == 8);
static_assert(offsetof(SPBasicSuite, AllocateBlock) == 24 && sizeof(SPBasicSuite::AllocateBlock) == 8);
static_assert(offsetof(SPBasicSuite, FreeBlock) == 32 && sizeof(SPBasicSuite::FreeBlock) == 8);
static_assert(offsetof(SPBasicSuite, ReallocateBlock) == 40 && sizeof(SPBasicSuite::ReallocateBlock) == 8);
static_assert(offsetof(SPBasicSuite, Undefined) == 48 && sizeof(SPBasicSuite::Undefined) == 8);
static_assert(sizeof(SPBasicSuite) == 56);

// PF_Cmd (int32)
static_assert(uint32_t(int64_t(PF_Cmd_ABOUT)) == 0x0u);
static_assert(uint32_t(int64_t(PF_Cmd_GLOBAL_SETUP)) == 0x1u);
static_assert(uint32_t(int64_t(PF_Cmd_UNUSED_0)) == 0x2u);
static_assert(uint32_t(int64_t(PF_Cmd_GLOBAL_SETDOWN)) == 0x3u);
static_assert(uint32_t(int64_t(PF_Cmd_PARAMS_SETUP)) == 0x4u);
static_assert(uint32_t(int64_t(PF_Cmd_SEQUENCE_SETUP)) == 0x5u);
static_assert(uint32_t(int64_t(PF_Cmd_SEQUENCE_RESETUP)) == 0x6u);
static_assert(uint32_t(int64_t(PF_Cmd_SEQUENCE_FLATTEN)) == 0x7u);
static_assert(uint32_t(int64_t(PF_Cmd_SEQUENCE_SETDOWN)) == 0x8u);
static_assert(uint32_t(int64_t(PF_Cmd_DO_DIALOG)) == 0x9u);
static_assert(uint32_t(int64_t(PF_Cmd_FRAME_SETUP)) == 0xAu);
static_assert(uint32_t(int64_t(PF_Cmd_RENDER)) == 0xBu);
static_assert(uint32_t(int64_t(PF_Cmd_FRAME_SETDOWN)) == 0xCu);
static_assert(uint32_t(int64_t(PF_Cmd_USER_CHANGED_PARAM)) == 0xDu);
static_assert(uint32_t(int64_t(PF_Cmd_UPDATE_PARAMS_UI)) == 0xEu);
static_assert(uint32_t(int64_t(PF_Cmd_EVENT)) == 0xFu);
static_assert(uint32_t(int64_t(PF_Cmd_GET_EXTERNAL_DEPENDENCIES)) == 0x10u);
static_assert(uint32_t(int64_t(PF_Cmd_COMPLETELY_GENERAL)) == 0x11u);
static_assert(uint32_t(int64_t(PF_Cmd_QUERY_DYNAMIC_FLAGS)) == 0x12u);
static_assert(uint32_t(int64_t(PF_Cmd_AUDIO_RENDER)) == 0x13u);
static_assert(uint32_t(int64_t(PF_Cmd_AUDIO_SETUP)) == 0x14u);
static_assert(uint32_t(int64_t(PF_Cmd_AUDIO_SETDOWN)) == 0x15u);
static_assert(uint32_t(int64_t(PF_Cmd_ARBITRARY_CALLBACK)) == 0x16u);
static_assert(uint32_t(int64_t(PF_Cmd_SMART_PRE_RENDER)) == 0x17u);
static_assert(uint32_t(int64_t(PF_Cmd_SMART_RENDER)) == 0x18u);
static_assert(uint32_t(int64_t(PF_Cmd_RESERVED1)) == 0x19u);
static_assert(uint32_t(int64_t(PF_Cmd_RESERVED2)) == 0x1Au);
static_assert(uint32_t(int64_t(PF_Cmd_RESERVED3)) == 0x1Bu);
static_assert(uint32_t(int64_t(PF_Cmd_GET_FLATTENED_SEQUENCE_DATA)) == 0x1Cu);
static_assert(uint32_t(int64_t(PF_Cmd_TRANSLATE_PARAMS_TO_PREFS)) == 0x1Du);
static_assert(uint32_t(int64_t(PF_Cmd_RESERVED4)) == 0x1Eu);
static_assert(uint32_t(int64_t(PF_Cmd_SMART_RENDER_GPU)) == 0x1Fu);
static_assert(uint32_t(int64_t(PF_Cmd_GPU_DEVICE_SETUP)) == 0x20u);
static_assert(uint32_t(int64_t(PF_Cmd_GPU_DEVICE_SETDOWN)) == 0x21u);
static_assert(uint32_t(int64_t(PF_Cmd_NUM_CMDS)) == 0x22u);

// PF_Err and A_Err (int32)
static_assert(uint32_t(int64_t(PF_Err_NONE)) == 0x0u);
static_assert(uint32_t(int64_t(PF_Err_OUT_OF_MEMORY)) == 0x4u);
static_assert(uint32_t(int64_t(PF_Err_INTERNAL_STRUCT_DAMAGED)) == 0x200u);
static_assert(uint32_t(int64_t(PF_Err_INVALID_INDEX)) == 0x201u);
static_assert(uint32_t(int64_t(PF_Err_UNRECOGNIZED_PARAM_TYPE)) == 0x202u);
static_assert(uint32_t(int64_t(PF_Err_INVALID_CALLBACK)) == 0x203u);
static_assert(uint32_t(int64_t(PF_Err_BAD_CALLBACK_PARAM)) == 0x204u);
static_assert(uint32_t(int64_t(PF_Interrupt_CANCEL)) == 0x205u);
static_assert(uint32_t(int64_t(PF_Err_CANNOT_PARSE_KEYFRAME_TEXT)) == 0x206u);
static_assert(uint32_t(int64_t(PF_FIRST_ERR)) == 0x200u);
static_assert(uint32_t(int64_t(A_Err_NONE)) == 0x0u);
static_assert(uint32_t(int64_t(A_Err_GENERIC)) == 0x1u);
static_assert(uint32_t(int64_t(A_Err_STRUCT)) == 0x2u);
static_assert(uint32_t(int64_t(A_Err_PARAMETER)) == 0x3u);
static_assert(uint32_t(int64_t(A_Err_ALLOC)) == 0x4u);
static_assert(uint32_t(int64_t(A_Err_WRONG_THREAD)) == 0x5u);
static_assert(uint32_t(int64_t(A_Err_CONST_PROJECT_MODIFICATION)) == 0x6u);
static_assert(uint32_t(int64_t(A_Err_MISSING_SUITE)) == 0xDu);
static_assert(uint32_t(int64_t(A_Err_NOT_IN_CACHE_OR_COMPUTE_PENDING)) == 0x16u);
static_assert(uint32_t(int64_t(A_Err_PROJECT_LOAD_FATAL)) == 0x17u);
static_assert(uint32_t(int64_t(A_Err_EFFECT_APPLY_FATAL)) == 0x18u);
static_assert(uint32_t(int64_t(A_Err_LAST)) == 0x19u);

// PF_ParamType (int32)
static_assert(uint32_t(int64_t(PF_Param_RESERVED)) == 0xFFFFFFFFu);
static_assert(uint32_t(int64_t(PF_Param_LAYER)) == 0x0u);
static_assert(uint32_t(int64_t(PF_Param_SLIDER)) == 0x1u);
static_assert(uint32_t(int64_t(PF_Param_FIX_SLIDER)) == 0x2u);
static_assert(uint32_t(int64_t(PF_Param_ANGLE)) == 0x3u);
static_assert(uint32_t(int64_t(PF_Param_CHECKBOX)) == 0x4u);
static_assert(uint32_t(int64_t(PF_Param_COLOR)) == 0x5u);
static_assert(uint32_t(int64_t(PF_Param_POINT)) == 0x6u);
static_assert(uint32_t(int64_t(PF_Param_POPUP)) == 0x7u);
static_assert(uint32_t(int64_t(PF_Param_CUSTOM)) == 0x8u);
static_assert(uint32_t(int64_t(PF_Param_NO_DATA)) == 0x9u);
static_assert(uint32_t(int64_t(PF_Param_FLOAT_SLIDER)) == 0xAu);
static_assert(uint32_t(int64_t(PF_Param_ARBITRARY_DATA)) == 0xBu);
static_assert(uint32_t(int64_t(PF_Param_PATH)) == 0xCu);
static_assert(uint32_t(int64_t(PF_Param_GROUP_START)) == 0xDu);
static_assert(uint32_t(int64_t(PF_Param_GROUP_END)) == 0xEu);
static_assert(uint32_t(int64_t(PF_Param_BUTTON)) == 0xFu);
static_assert(uint32_t(int64_t(PF_Param_RESERVED2)) == 0x10u);
static_assert(uint32_t(int64_t(PF_Param_RESERVED3)) == 0x11u);
static_assert(uint32_t(int64_t(PF_Param_POINT_3D)) == 0x12u);

// PF_ParamFlag (PF_ParamDef::flags, int32)
static_assert(uint32_t(int64_t(PF_ParamFlag_RESERVED1)) == 0x1u);
static_assert(uint32_t(int64_t(PF_ParamFlag_CANNOT_TIME_VARY)) == 0x2u);
static_assert(uint32_t(int64_t(PF_ParamFlag_CANNOT_INTERP)) == 0x4u);
static_assert(uint32_t(int64_t(PF_ParamFlag_RESERVED2)) == 0x8u);
static_assert(uint32_t(int64_t(PF_ParamFlag_RESERVED3)) == 0x10u);
static_assert(uint32_t(int64_t(PF_ParamFlag_COLLAPSE_TWIRLY)) == 0x20u);
static_assert(uint32_t(int64_t(PF_ParamFlag_START_COLLAPSED)) == 0x20u);
static_assert(uint32_t(int64_t(PF_ParamFlag_SUPERVISE)) == 0x40u);
static_assert(uint32_t(int64_t(PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS)) == 0x80u);
static_assert(uint32_t(int64_t(PF_ParamFlag_LAYER_PARAM_IS_TRACKMATTE)) == 0x80u);
static_assert(uint32_t(int64_t(PF_ParamFlag_EXCLUDE_FROM_HAVE_INPUTS_CHANGED)) == 0x100u);
static_assert(uint32_t(int64_t(PF_ParamFlag_SKIP_REVEAL_WHEN_UNHIDDEN)) == 0x200u);

// PF_PUI (PF_ParamDef::ui_flags, int32)
static_assert(uint32_t(int64_t(PF_PUI_NONE)) == 0x0u);
static_assert(uint32_t(int64_t(PF_PUI_TOPIC)) == 0x1u);
static_assert(uint32_t(int64_t(PF_PUI_CONTROL)) == 0x2u);
static_assert(uint32_t(int64_t(PF_PUI_STD_CONTROL_ONLY)) == 0x4u);
static_assert(uint32_t(int64_t(PF_PUI_NO_ECW_UI)) == 0x8u);
static_assert(uint32_t(int64_t(PF_PUI_ECW_SEPARATOR)) == 0x10u);
static_assert(uint32_t(int64_t(PF_PUI_DISABLED)) == 0x20u);
static_assert(uint32_t(int64_t(PF_PUI_DONT_ERASE_TOPIC)) == 0x40u);
static_assert(uint32_t(int64_t(PF_PUI_DONT_ERASE_CONTROL)) == 0x80u);
static_assert(uint32_t(int64_t(PF_PUI_RADIO_BUTTON)) == 0x100u);
static_assert(uint32_t(int64_t(PF_PUI_INVISIBLE)) == 0x200u);

// PF_ChangeFlag (PF_ParamDef::uu.change_flags, int32)
static_assert(uint32_t(int64_t(PF_ChangeFlag_NONE)) == 0x0u);
static_assert(uint32_t(int64_t(PF_ChangeFlag_CHANGED_VALUE)) == 0x1u);
static_assert(uint32_t(int64_t(PF_ChangeFlag_RESERVED)) == 0x2u);
static_assert(uint32_t(int64_t(PF_ChangeFlag_SET_TO_VARY)) == 0x4u);
static_assert(uint32_t(int64_t(PF_ChangeFlag_SET_TO_CONSTANT)) == 0x8u);

// PF_OutFlag (PF_OutData::out_flags and PiPL "eGLO", int32)
static_assert(uint32_t(int64_t(PF_OutFlag_NONE)) == 0x0u);
static_assert(uint32_t(int64_t(PF_OutFlag_KEEP_RESOURCE_OPEN)) == 0x1u);
static_assert(uint32_t(int64_t(PF_OutFlag_WIDE_TIME_INPUT)) == 0x2u);
static_assert(uint32_t(int64_t(PF_OutFlag_NON_PARAM_VARY)) == 0x4u);
static_assert(uint32_t(int64_t(PF_OutFlag_RESERVED6)) == 0x8u);
static_assert(uint32_t(int64_t(PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING)) == 0x10u);
static_assert(uint32_t(int64_t(PF_OutFlag_I_DO_DIALOG)) == 0x20u);
static_assert(uint32_t(int64_t(PF_OutFlag_USE_OUTPUT_EXTENT)) == 0x40u);
static_assert(uint32_t(int64_t(PF_OutFlag_SEND_DO_DIALOG)) == 0x80u);
static_assert(uint32_t(int64_t(PF_OutFlag_DISPLAY_ERROR_MESSAGE)) == 0x100u);
static_assert(uint32_t(int64_t(PF_OutFlag_I_EXPAND_BUFFER)) == 0x200u);
static_assert(uint32_t(int64_t(PF_OutFlag_PIX_INDEPENDENT)) == 0x400u);
static_assert(uint32_t(int64_t(PF_OutFlag_I_WRITE_INPUT_BUFFER)) == 0x800u);
static_assert(uint32_t(int64_t(PF_OutFlag_I_SHRINK_BUFFER)) == 0x1000u);
static_assert(uint32_t(int64_t(PF_OutFlag_WORKS_IN_PLACE)) == 0x2000u);
static_assert(uint32_t(int64_t(PF_OutFlag_RESERVED8)) == 0x4000u);
static_assert(uint32_t(int64_t(PF_OutFlag_CUSTOM_UI)) == 0x8000u);
static_assert(uint32_t(int64_t(PF_OutFlag_RESERVED7)) == 0x10000u);
static_assert(uint32_t(int64_t(PF_OutFlag_REFRESH_UI)) == 0x20000u);
static_assert(uint32_t(int64_t(PF_OutFlag_NOP_RENDER)) == 0x40000u);
static_assert(uint32_t(int64_t(PF_OutFlag_I_USE_SHUTTER_ANGLE)) == 0x80000u);
static_assert(uint32_t(int64_t(PF_OutFlag_I_USE_AUDIO)) == 0x100000u);
static_assert(uint32_t(int64_t(PF_OutFlag_I_AM_OBSOLETE)) == 0x200000u);
static_assert(uint32_t(int64_t(PF_OutFlag_FORCE_RERENDER)) == 0x400000u);
static_assert(uint32_t(int64_t(PF_OutFlag_PiPL_OVERRIDES_OUTDATA_OUTFLAGS)) == 0x800000u);
static_assert(uint32_t(int64_t(PF_OutFlag_I_HAVE_EXTERNAL_DEPENDENCIES)) == 0x1000000u);
static_assert(uint32_t(int64_t(PF_OutFlag_DEEP_COLOR_AWARE)) == 0x2000000u);
static_assert(uint32_t(int64_t(PF_OutFlag_SEND_UPDATE_PARAMS_UI)) == 0x4000000u);
static_assert(uint32_t(int64_t(PF_OutFlag_AUDIO_FLOAT_ONLY)) == 0x8000000u);
static_assert(uint32_t(int64_t(PF_OutFlag_AUDIO_IIR)) == 0x10000000u);
static_assert(uint32_t(int64_t(PF_OutFlag_I_SYNTHESIZE_AUDIO)) == 0x20000000u);
static_assert(uint32_t(int64_t(PF_OutFlag_AUDIO_EFFECT_TOO)) == 0x40000000u);
static_assert(uint32_t(int64_t(PF_OutFlag_AUDIO_EFFECT_ONLY)) == 0x80000000u);

// PF_OutFlag2 (PF_OutData::out_flags2 and PiPL "eGL2", int32)
static_assert(uint32_t(int64_t(PF_OutFlag2_NONE)) == 0x0u);
static_assert(uint32_t(int64_t(PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS)) == 0x1u);
static_assert(uint32_t(int64_t(PF_OutFlag2_I_USE_3D_CAMERA)) == 0x2u);
static_assert(uint32_t(int64_t(PF_OutFlag2_I_USE_3D_LIGHTS)) == 0x4u);
static_assert(uint32_t(int64_t(PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG)) == 0x8u);
static_assert(uint32_t(int64_t(PF_OutFlag2_I_AM_THREADSAFE)) == 0x10u);
static_assert(uint32_t(int64_t(PF_OutFlag2_CAN_COMBINE_WITH_DESTINATION)) == 0x20u);
static_assert(uint32_t(int64_t(PF_OutFlag2_DOESNT_NEED_EMPTY_PIXELS)) == 0x40u);
static_assert(uint32_t(int64_t(PF_OutFlag2_REVEALS_ZERO_ALPHA)) == 0x80u);
static_assert(uint32_t(int64_t(PF_OutFlag2_PRESERVES_FULLY_OPAQUE_PIXELS)) == 0x100u);
static_assert(uint32_t(int64_t(PF_OutFlag2_SUPPORTS_SMART_RENDER)) == 0x400u);
static_assert(uint32_t(int64_t(PF_OutFlag2_RESERVED9)) == 0x800u);
static_assert(uint32_t(int64_t(PF_OutFlag2_FLOAT_COLOR_AWARE)) == 0x1000u);
static_assert(uint32_t(int64_t(PF_OutFlag2_I_USE_COLORSPACE_ENUMERATION)) == 0x2000u);
static_assert(uint32_t(int64_t(PF_OutFlag2_I_AM_DEPRECATED)) == 0x4000u);
static_assert(uint32_t(int64_t(PF_OutFlag2_PPRO_DO_NOT_CLONE_SEQUENCE_DATA_FOR_RENDER)) == 0x8000u);
static_assert(uint32_t(int64_t(PF_OutFlag2_RESERVED10)) == 0x10000u);
static_assert(uint32_t(int64_t(PF_OutFlag2_AUTOMATIC_WIDE_TIME_INPUT)) == 0x20000u);
static_assert(uint32_t(int64_t(PF_OutFlag2_I_USE_TIMECODE)) == 0x40000u);
static_assert(uint32_t(int64_t(PF_OutFlag2_DEPENDS_ON_UNREFERENCED_MASKS)) == 0x80000u);
static_assert(uint32_t(int64_t(PF_OutFlag2_OUTPUT_IS_WATERMARKED)) == 0x100000u);
static_assert(uint32_t(int64_t(PF_OutFlag2_I_MIX_GUID_DEPENDENCIES)) == 0x200000u);
static_assert(uint32_t(int64_t(PF_OutFlag2_AE13_5_THREADSAFE)) == 0x400000u);
static_assert(uint32_t(int64_t(PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA)) == 0x800000u);
static_assert(uint32_t(int64_t(PF_OutFlag2_CUSTOM_UI_ASYNC_MANAGER)) == 0x1000000u);
static_assert(uint32_t(int64_t(PF_OutFlag2_SUPPORTS_GPU_RENDER_F32)) == 0x2000000u);
static_assert(uint32_t(int64_t(PF_OutFlag2_RESERVED12)) == 0x4000000u);
static_assert(uint32_t(int64_t(PF_OutFlag2_SUPPORTS_THREADED_RENDERING)) == 0x8000000u);
static_assert(uint32_t(int64_t(PF_OutFlag2_MUTABLE_RENDER_SEQUENCE_DATA_SLOWER)) == 0x10000000u);

// Input flags, world flags, channel masks, render-output flags, GPU frameworks
static_assert(uint32_t(int64_t(PF_InFlag_NONE)) == 0x0u);
static_assert(uint32_t(int64_t(PF_InFlag_PROJECT_IS_RENDER_ONLY)) == 0x1u);
static_assert(uint32_t(int64_t(PF_WorldFlag_DEEP)) == 0x1u);
static_assert(uint32_t(int64_t(PF_WorldFlag_WRITEABLE)) == 0x2u);
static_assert(uint32_t(int64_t(PF_WorldFlag_RESERVED0)) == 0x1000000u);
static_assert(uint32_t(int64_t(PF_WorldFlag_RESERVED)) == 0x80000000u);
static_assert(uint32_t(int64_t(PF_ChannelMask_ALPHA)) == 0x1u);
static_assert(uint32_t(int64_t(PF_ChannelMask_RED)) == 0x2u);
static_assert(uint32_t(int64_t(PF_ChannelMask_GREEN)) == 0x4u);
static_assert(uint32_t(int64_t(PF_ChannelMask_BLUE)) == 0x8u);
static_assert(uint32_t(int64_t(PF_ChannelMask_ARGB)) == 0xFu);
static_assert(uint32_t(int64_t(PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS)) == 0x1u);
static_assert(uint32_t(int64_t(PF_RenderOutputFlag_GPU_RENDER_POSSIBLE)) == 0x2u);
static_assert(uint32_t(int64_t(PF_RenderOutputFlag_RESERVED1)) == 0x4u);
static_assert(uint32_t(int64_t(PF_GPU_Framework_NONE)) == 0x0u);
static_assert(uint32_t(int64_t(PF_GPU_Framework_OPENCL)) == 0x1u);
static_assert(uint32_t(int64_t(PF_GPU_Framework_METAL)) == 0x2u);
static_assert(uint32_t(int64_t(PF_GPU_Framework_CUDA)) == 0x3u);

// Misc. effect constants
static_assert(uint32_t(int64_t(PF_AE_PLUG_IN_VERSION)) == 0xDu);
static_assert(uint32_t(int64_t(PF_AE_PLUG_IN_SUBVERS)) == 0x1Cu);
static_assert(uint32_t(int64_t(PF_MAX_EFFECT_NAME_LEN)) == 0x1Fu);
static_assert(uint32_t(int64_t(PF_MAX_EFFECT_PARAM_NAME_LEN)) == 0x1Fu);
static_assert(uint32_t(int64_t(PF_MAX_EFFECT_MSG_LEN)) == 0xFFu);
static_assert(uint32_t(int64_t(PF_Quality_DRAWING_AUDIO)) == 0xFFFFFFFFu);
static_assert(uint32_t(int64_t(PF_Quality_LO)) == 0x0u);
static_assert(uint32_t(int64_t(PF_Quality_HI)) == 0x1u);
static_assert(uint32_t(int64_t(PF_MF_Alpha_PREMUL)) == 0x0u);
static_assert(uint32_t(int64_t(PF_MF_Alpha_STRAIGHT)) == 0x1u);
static_assert(uint32_t(int64_t(PF_Field_FRAME)) == 0x0u);
static_assert(uint32_t(int64_t(PF_Field_UPPER)) == 0x1u);
static_assert(uint32_t(int64_t(PF_Field_LOWER)) == 0x2u);
static_assert(uint32_t(int64_t(PF_ValueDisplayFlag_NONE)) == 0x0u);
static_assert(uint32_t(int64_t(PF_ValueDisplayFlag_PERCENT)) == 0x1u);
static_assert(uint32_t(int64_t(PF_ValueDisplayFlag_PIXEL)) == 0x2u);
static_assert(uint32_t(int64_t(PF_ValueDisplayFlag_RESERVED1)) == 0x4u);
static_assert(uint32_t(int64_t(PF_ValueDisplayFlag_REVERSE)) == 0x8u);
static_assert(uint32_t(int64_t(PF_FSliderFlag_NONE)) == 0x0u);
static_assert(uint32_t(int64_t(PF_FSliderFlag_WANT_PHASE)) == 0x1u);
static_assert(uint32_t(int64_t(PF_LayerDefault_MYSELF)) == 0xFFFFFFFFu);
static_assert(uint32_t(int64_t(PF_LayerDefault_NONE)) == 0x0u);
static_assert(uint32_t(int64_t(PF_NewWorldFlag_NONE)) == 0x0u);
static_assert(uint32_t(int64_t(PF_NewWorldFlag_CLEAR_PIXELS)) == 0x1u);
static_assert(uint32_t(int64_t(PF_NewWorldFlag_DEEP_PIXELS)) == 0x2u);
static_assert(uint32_t(int64_t(PF_MAX_CHAN8)) == 0xFFu);
static_assert(uint32_t(int64_t(PF_HALF_CHAN8)) == 0x80u);
static_assert(uint32_t(int64_t(PF_MAX_CHAN16)) == 0x8000u);
static_assert(uint32_t(int64_t(PF_HALF_CHAN16)) == 0x4000u);
static_assert(uint32_t(int64_t(PF_Stage_DEVELOP)) == 0x0u);
static_assert(uint32_t(int64_t(PF_Stage_ALPHA)) == 0x1u);
static_assert(uint32_t(int64_t(PF_Stage_BETA)) == 0x2u);
static_assert(uint32_t(int64_t(PF_Stage_RELEASE)) == 0x3u);
static_assert(uint32_t(int64_t(PF_ParamIndex_NONE)) == 0xFFFFFFFFu);
static_assert(uint32_t(int64_t(PF_ParamIndex_CHECK_ALL)) == 0xFFFFFFFEu);
static_assert(uint32_t(int64_t(PF_KeyIndex_NONE)) == 0xFFFFFFFFu);
static_assert(uint32_t(int64_t(PF_PixelFormat_ARGB32)) == 0x62677261u);
static_assert(uint32_t(int64_t(PF_PixelFormat_ARGB64)) == 0x36316561u);
static_assert(uint32_t(int64_t(PF_PixelFormat_ARGB128)) == 0x32336561u);
static_assert(uint32_t(int64_t(PF_PixelFormat_GPU_BGRA128)) == 0x41444340u);
static_assert(uint32_t(int64_t(PF_PixelFormat_BGRA32)) == 0x61726762u);
static_assert(uint32_t(int64_t(PF_PixelFormat_INVALID)) == 0x66646162u);

// AEGP enumerations
static_assert(uint32_t(int64_t(AEGP_ObjectType_NONE)) == 0xFFFFFFFFu);
static_assert(uint32_t(int64_t(AEGP_ObjectType_AV)) == 0x0u);
static_assert(uint32_t(int64_t(AEGP_ObjectType_LIGHT)) == 0x1u);
static_assert(uint32_t(int64_t(AEGP_ObjectType_CAMERA)) == 0x2u);
static_assert(uint32_t(int64_t(AEGP_ObjectType_TEXT)) == 0x3u);
static_assert(uint32_t(int64_t(AEGP_ObjectType_VECTOR)) == 0x4u);
static_assert(uint32_t(int64_t(AEGP_ObjectType_NUM_TYPES)) == 0xBu);
static_assert(uint32_t(int64_t(AEGP_LTimeMode_LayerTime)) == 0x0u);
static_assert(uint32_t(int64_t(AEGP_LTimeMode_CompTime)) == 0x1u);
static_assert(uint32_t(int64_t(AEGP_LightType_NONE)) == 0xFFFFFFFFu);
static_assert(uint32_t(int64_t(AEGP_LightType_PARALLEL)) == 0x0u);
static_assert(uint32_t(int64_t(AEGP_LightType_SPOT)) == 0x1u);
static_assert(uint32_t(int64_t(AEGP_LightType_POINT)) == 0x2u);
static_assert(uint32_t(int64_t(AEGP_LightType_AMBIENT)) == 0x3u);
static_assert(uint32_t(int64_t(AEGP_LightType_RESERVED1)) == 0x4u);
static_assert(uint32_t(int64_t(AEGP_LightType_NUM_TYPES)) == 0x5u);
static_assert(uint32_t(int64_t(AEGP_LightFalloff_NONE)) == 0x0u);
static_assert(uint32_t(int64_t(AEGP_LightFalloff_SMOOTH)) == 0x1u);
static_assert(uint32_t(int64_t(AEGP_LightFalloff_INVERSE_SQUARE_CLAMPED)) == 0x2u);
static_assert(AEGP_LayerStream_NONE == -1);
static_assert(AEGP_LayerStream_ANCHORPOINT == 0);
static_assert(AEGP_LayerStream_POSITION == 1);
static_assert(AEGP_LayerStream_SCALE == 2);
static_assert(AEGP_LayerStream_ROTATION == 3);
static_assert(AEGP_LayerStream_ROTATE_Z == 3);
static_assert(AEGP_LayerStream_OPACITY == 4);
static_assert(AEGP_LayerStream_AUDIO == 5);
static_assert(AEGP_LayerStream_MARKER == 6);
static_assert(AEGP_LayerStream_TIME_REMAP == 7);
static_assert(AEGP_LayerStream_ROTATE_X == 8);
static_assert(AEGP_LayerStream_ROTATE_Y == 9);
static_assert(AEGP_LayerStream_ORIENTATION == 10);
static_assert(AEGP_LayerStream_ZOOM == 11);
static_assert(AEGP_LayerStream_DEPTH_OF_FIELD == 12);
static_assert(AEGP_LayerStream_FOCUS_DISTANCE == 13);
static_assert(AEGP_LayerStream_APERTURE == 14);
static_assert(AEGP_LayerStream_BLUR_LEVEL == 15);
static_assert(AEGP_LayerStream_INTENSITY == 16);
static_assert(AEGP_LayerStream_COLOR == 17);
static_assert(AEGP_LayerStream_CONE_ANGLE == 18);
static_assert(AEGP_LayerStream_CONE_FEATHER == 19);
static_assert(AEGP_LayerStream_SHADOW_DARKNESS == 20);
static_assert(AEGP_LayerStream_SHADOW_DIFFUSION == 21);
static_assert(AEGP_LayerStream_ACCEPTS_SHADOWS == 22);
static_assert(AEGP_LayerStream_ACCEPTS_LIGHTS == 23);
static_assert(AEGP_LayerStream_AMBIENT_COEFF == 24);
static_assert(AEGP_LayerStream_DIFFUSE_COEFF == 25);
static_assert(AEGP_LayerStream_SPECULAR_INTENSITY == 26);
static_assert(AEGP_LayerStream_SPECULAR_SHININESS == 27);
static_assert(AEGP_LayerStream_CASTS_SHADOWS == 28);
static_assert(AEGP_LayerStream_LIGHT_TRANSMISSION == 29);
static_assert(AEGP_LayerStream_METAL == 30);
static_assert(AEGP_LayerStream_SOURCE_TEXT == 31);
static_assert(AEGP_LayerStream_IRIS_SHAPE == 32);
static_assert(AEGP_LayerStream_IRIS_ROTATION == 33);
static_assert(AEGP_LayerStream_IRIS_ROUNDNESS == 34);
static_assert(AEGP_LayerStream_IRIS_ASPECT_RATIO == 35);
static_assert(AEGP_LayerStream_IRIS_DIFFRACTION_FRINGE == 36);
static_assert(AEGP_LayerStream_IRIS_HIGHLIGHT_GAIN == 37);
static_assert(AEGP_LayerStream_IRIS_HIGHLIGHT_THRESHOLD == 38);
static_assert(AEGP_LayerStream_IRIS_HIGHLIGHT_SATURATION == 39);
static_assert(AEGP_LayerStream_LIGHT_FALLOFF_TYPE == 40);
static_assert(AEGP_LayerStream_LIGHT_FALLOFF_START == 41);
static_assert(AEGP_LayerStream_LIGHT_FALLOFF_DISTANCE == 42);
static_assert(AEGP_LayerStream_REFLECTION_INTENSITY == 43);
static_assert(AEGP_LayerStream_REFLECTION_SHARPNESS == 44);
static_assert(AEGP_LayerStream_REFLECTION_ROLLOFF == 45);
static_assert(AEGP_LayerStream_TRANSPARENCY_COEFF == 46);
static_assert(AEGP_LayerStream_TRANSPARENCY_ROLLOFF == 47);
static_assert(AEGP_LayerStream_INDEX_OF_REFRACTION == 48);
static_assert(AEGP_LayerStream_EXTRUSION_BEVEL_STYLE == 49);
static_assert(AEGP_LayerStream_EXTRUSION_BEVEL_DIRECTION == 50);
static_assert(AEGP_LayerStream_EXTRUSION_BEVEL_DEPTH == 51);
static_assert(AEGP_LayerStream_EXTRUSION_HOLE_BEVEL_DEPTH == 52);
static_assert(AEGP_LayerStream_EXTRUSION_DEPTH == 53);
static_assert(AEGP_LayerStream_PLANE_CURVATURE == 54);
static_assert(AEGP_LayerStream_PLANE_SUBDIVISION == 55);
static_assert(AEGP_LayerStream_LIGHT_BACKGROUND_VISIBLE == 56);
static_assert(AEGP_LayerStream_LIGHT_BACKGROUND_OPACITY == 57);
static_assert(AEGP_LayerStream_LIGHT_BACKGROUND_BLUR == 58);
static_assert(AEGP_LayerStream_NUMTYPES == 59);
static_assert(AEGP_LayerStream_BEGIN == 0);
static_assert(uint32_t(int64_t(AEGP_StreamType_NO_DATA)) == 0x0u);
static_assert(uint32_t(int64_t(AEGP_StreamType_ThreeD_SPATIAL)) == 0x1u);
static_assert(uint32_t(int64_t(AEGP_StreamType_ThreeD)) == 0x2u);
static_assert(uint32_t(int64_t(AEGP_StreamType_TwoD_SPATIAL)) == 0x3u);
static_assert(uint32_t(int64_t(AEGP_StreamType_TwoD)) == 0x4u);
static_assert(uint32_t(int64_t(AEGP_StreamType_OneD)) == 0x5u);
static_assert(uint32_t(int64_t(AEGP_StreamType_COLOR)) == 0x6u);
static_assert(uint32_t(int64_t(AEGP_StreamType_ARB)) == 0x7u);
static_assert(uint32_t(int64_t(AEGP_StreamType_MARKER)) == 0x8u);
static_assert(uint32_t(int64_t(AEGP_StreamType_LAYER_ID)) == 0x9u);
static_assert(uint32_t(int64_t(AEGP_StreamType_MASK_ID)) == 0xAu);
static_assert(uint32_t(int64_t(AEGP_StreamType_MASK)) == 0xBu);
static_assert(uint32_t(int64_t(AEGP_StreamType_TEXT_DOCUMENT)) == 0xCu);
static_assert(uint32_t(int64_t(AEGP_LayerFlag_VIDEO_ACTIVE)) == 0x1u);
static_assert(uint32_t(int64_t(AEGP_LayerFlag_ADJUSTMENT_LAYER)) == 0x200u);
static_assert(uint32_t(int64_t(AEGP_LayerFlag_LAYER_IS_3D)) == 0x800u);
static_assert(uint32_t(int64_t(AEGP_LayerFlag_NULL_LAYER)) == 0x10000u);
static_assert(uint32_t(int64_t(AEGP_LayerFlag_ENVIRONMENT_LAYER)) == 0x200000u);

// "PF Param Utils Suite", version 3 (PF_ParamUtilsSuite3)
static_assert(offsetof(PF_ParamUtilsSuite3, PF_UpdateParamUI) == 0 &&
              sizeof(PF_ParamUtilsSuite3::PF_UpdateParamUI) == 8);
static_assert(offsetof(PF_ParamUtilsSuite3, PF_GetCurrentState) == 8 &&
              sizeof(PF_ParamUtilsSuite3::PF_GetCurrentState) == 8);
static_assert(offsetof(PF_ParamUtilsSuite3, PF_AreStatesIdentical) == 16 &&
              sizeof(PF_ParamUtilsSuite3::PF_AreStatesIdentical) == 8);
static_assert(offsetof(PF_ParamUtilsSuite3, PF_IsIdenticalCheckout) == 24 &&
              sizeof(PF_ParamUtilsSuite3::PF_IsIdenticalCheckout) == 8);
static_assert(offsetof(PF_ParamUtilsSuite3, PF_FindKeyframeTime) == 32 &&
              sizeof(PF_ParamUtilsSuite3::PF_FindKeyframeTime) == 8);
static_assert(offsetof(PF_ParamUtilsSuite3, PF_GetKeyframeCount) == 40 &&
              sizeof(PF_ParamUtilsSuite3::PF_GetKeyframeCount) == 8);
static_assert(offsetof(PF_ParamUtilsSuite3, PF_CheckoutKeyframe) == 48 &&
              sizeof(PF_ParamUtilsSuite3::PF_CheckoutKeyframe) == 8);
static_assert(offsetof(PF_ParamUtilsSuite3, PF_CheckinKeyframe) == 56 &&
              sizeof(PF_ParamUtilsSuite3::PF_CheckinKeyframe) == 8);
static_assert(offsetof(PF_ParamUtilsSuite3, PF_KeyIndexToTime) == 64 &&
              sizeof(PF_ParamUtilsSuite3::PF_KeyIndexToTime) == 8);
static_assert(sizeof(PF_ParamUtilsSuite3) == 72);

// "PF Handle Suite", version 2 (PF_HandleSuite1)
static_assert(offsetof(PF_HandleSuite1, host_new_handle) == 0 && sizeof(PF_HandleSuite1::host_new_handle) == 8);
static_assert(offsetof(PF_HandleSuite1, host_lock_handle) == 8 && sizeof(PF_HandleSuite1::host_lock_handle) == 8);
static_assert(offsetof(PF_HandleSuite1, host_unlock_handle) == 16 && sizeof(PF_HandleSuite1::host_unlock_handle) == 8);
static_assert(offsetof(PF_HandleSuite1, host_dispose_handle) == 24 &&
              sizeof(PF_HandleSuite1::host_dispose_handle) == 8);
static_assert(offsetof(PF_HandleSuite1, host_get_handle_size) == 32 &&
              sizeof(PF_HandleSuite1::host_get_handle_size) == 8);
static_assert(offsetof(PF_HandleSuite1, host_resize_handle) == 40 && sizeof(PF_HandleSuite1::host_resize_handle) == 8);
static_assert(sizeof(PF_HandleSuite1) == 48);

// "AEGP Utility Suite", version 13 (AEGP_UtilitySuite6)
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_ReportInfo) == 0 && sizeof(AEGP_UtilitySuite6::AEGP_ReportInfo) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_ReportInfoUnicode) == 8 &&
              sizeof(AEGP_UtilitySuite6::AEGP_ReportInfoUnicode) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_GetDriverPluginInitFuncVersion) == 16 &&
              sizeof(AEGP_UtilitySuite6::AEGP_GetDriverPluginInitFuncVersion) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_GetDriverImplementationVersion) == 24 &&
              sizeof(AEGP_UtilitySuite6::AEGP_GetDriverImplementationVersion) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_StartQuietErrors) == 32 &&
              sizeof(AEGP_UtilitySuite6::AEGP_StartQuietErrors) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_EndQuietErrors) == 40 &&
              sizeof(AEGP_UtilitySuite6::AEGP_EndQuietErrors) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_GetLastErrorMessage) == 48 &&
              sizeof(AEGP_UtilitySuite6::AEGP_GetLastErrorMessage) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_StartUndoGroup) == 56 &&
              sizeof(AEGP_UtilitySuite6::AEGP_StartUndoGroup) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_EndUndoGroup) == 64 &&
              sizeof(AEGP_UtilitySuite6::AEGP_EndUndoGroup) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_RegisterWithAEGP) == 72 &&
              sizeof(AEGP_UtilitySuite6::AEGP_RegisterWithAEGP) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_GetMainHWND) == 80 &&
              sizeof(AEGP_UtilitySuite6::AEGP_GetMainHWND) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_ShowHideAllFloaters) == 88 &&
              sizeof(AEGP_UtilitySuite6::AEGP_ShowHideAllFloaters) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_PaintPalGetForeColor) == 96 &&
              sizeof(AEGP_UtilitySuite6::AEGP_PaintPalGetForeColor) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_PaintPalGetBackColor) == 104 &&
              sizeof(AEGP_UtilitySuite6::AEGP_PaintPalGetBackColor) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_PaintPalSetForeColor) == 112 &&
              sizeof(AEGP_UtilitySuite6::AEGP_PaintPalSetForeColor) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_PaintPalSetBackColor) == 120 &&
              sizeof(AEGP_UtilitySuite6::AEGP_PaintPalSetBackColor) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_CharPalGetFillColor) == 128 &&
              sizeof(AEGP_UtilitySuite6::AEGP_CharPalGetFillColor) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_CharPalGetStrokeColor) == 136 &&
              sizeof(AEGP_UtilitySuite6::AEGP_CharPalGetStrokeColor) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_CharPalSetFillColor) == 144 &&
              sizeof(AEGP_UtilitySuite6::AEGP_CharPalSetFillColor) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_CharPalSetStrokeColor) == 152 &&
              sizeof(AEGP_UtilitySuite6::AEGP_CharPalSetStrokeColor) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_CharPalIsFillColorUIFrontmost) == 160 &&
              sizeof(AEGP_UtilitySuite6::AEGP_CharPalIsFillColorUIFrontmost) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_ConvertFpLongToHSFRatio) == 168 &&
              sizeof(AEGP_UtilitySuite6::AEGP_ConvertFpLongToHSFRatio) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_ConvertHSFRatioToFpLong) == 176 &&
              sizeof(AEGP_UtilitySuite6::AEGP_ConvertHSFRatioToFpLong) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_CauseIdleRoutinesToBeCalled) == 184 &&
              sizeof(AEGP_UtilitySuite6::AEGP_CauseIdleRoutinesToBeCalled) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_GetSuppressInteractiveUI) == 192 &&
              sizeof(AEGP_UtilitySuite6::AEGP_GetSuppressInteractiveUI) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_WriteToOSConsole) == 200 &&
              sizeof(AEGP_UtilitySuite6::AEGP_WriteToOSConsole) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_WriteToDebugLog) == 208 &&
              sizeof(AEGP_UtilitySuite6::AEGP_WriteToDebugLog) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_IsScriptingAvailable) == 216 &&
              sizeof(AEGP_UtilitySuite6::AEGP_IsScriptingAvailable) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_ExecuteScript) == 224 &&
              sizeof(AEGP_UtilitySuite6::AEGP_ExecuteScript) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_HostIsActivated) == 232 &&
              sizeof(AEGP_UtilitySuite6::AEGP_HostIsActivated) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_GetPluginPlatformRef) == 240 &&
              sizeof(AEGP_UtilitySuite6::AEGP_GetPluginPlatformRef) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_UpdateFontList) == 248 &&
              sizeof(AEGP_UtilitySuite6::AEGP_UpdateFontList) == 8);
static_assert(offsetof(AEGP_UtilitySuite6, AEGP_GetPluginPaths) == 256 &&
              sizeof(AEGP_UtilitySuite6::AEGP_GetPluginPaths) == 8);
static_assert(sizeof(AEGP_UtilitySuite6) == 264);

// "AEGP PF Interface Suite", version 1 (AEGP_PFInterfaceSuite1)
static_assert(offsetof(AEGP_PFInterfaceSuite1, AEGP_GetEffectLayer) == 0 &&
              sizeof(AEGP_PFInterfaceSuite1::AEGP_GetEffectLayer) == 8);
static_assert(offsetof(AEGP_PFInterfaceSuite1, AEGP_GetNewEffectForEffect) == 8 &&
              sizeof(AEGP_PFInterfaceSuite1::AEGP_GetNewEffectForEffect) == 8);
static_assert(offsetof(AEGP_PFInterfaceSuite1, AEGP_ConvertEffectToCompTime) == 16 &&
              sizeof(AEGP_PFInterfaceSuite1::AEGP_ConvertEffectToCompTime) == 8);
static_assert(offsetof(AEGP_PFInterfaceSuite1, AEGP_GetEffectCamera) == 24 &&
              sizeof(AEGP_PFInterfaceSuite1::AEGP_GetEffectCamera) == 8);
static_assert(offsetof(AEGP_PFInterfaceSuite1, AEGP_GetEffectCameraMatrix) == 32 &&
              sizeof(AEGP_PFInterfaceSuite1::AEGP_GetEffectCameraMatrix) == 8);
static_assert(sizeof(AEGP_PFInterfaceSuite1) == 40);

// Version 5 (AEGP_LayerSuite1)
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetCompNumLayers) == 0 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetCompNumLayers) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetCompLayerByIndex) == 8 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetCompLayerByIndex) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetActiveLayer) == 16 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetActiveLayer) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerIndex) == 24 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetLayerIndex) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerSourceItem) == 32 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetLayerSourceItem) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerParentComp) == 40 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetLayerParentComp) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerName) == 48 && sizeof(AEGP_LayerSuite1::AEGP_GetLayerName) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerQuality) == 56 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetLayerQuality) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_SetLayerQuality) == 64 &&
              sizeof(AEGP_LayerSuite1::AEGP_SetLayerQuality) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerFlags) == 72 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetLayerFlags) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_SetLayerFlag) == 80 && sizeof(AEGP_LayerSuite1::AEGP_SetLayerFlag) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_IsLayerVideoReallyOn) == 88 &&
              sizeof(AEGP_LayerSuite1::AEGP_IsLayerVideoReallyOn) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_IsLayerAudioReallyOn) == 96 &&
              sizeof(AEGP_LayerSuite1::AEGP_IsLayerAudioReallyOn) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerCurrentTime) == 104 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetLayerCurrentTime) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerInPoint) == 112 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetLayerInPoint) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerDuration) == 120 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetLayerDuration) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_SetLayerInPointAndDuration) == 128 &&
              sizeof(AEGP_LayerSuite1::AEGP_SetLayerInPointAndDuration) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerOffset) == 136 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetLayerOffset) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_SetLayerOffset) == 144 &&
              sizeof(AEGP_LayerSuite1::AEGP_SetLayerOffset) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerStretch) == 152 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetLayerStretch) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_SetLayerStretch) == 160 &&
              sizeof(AEGP_LayerSuite1::AEGP_SetLayerStretch) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerTransferMode) == 168 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetLayerTransferMode) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_SetLayerTransferMode) == 176 &&
              sizeof(AEGP_LayerSuite1::AEGP_SetLayerTransferMode) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_IsAddLayerValid) == 184 &&
              sizeof(AEGP_LayerSuite1::AEGP_IsAddLayerValid) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_AddLayer) == 192 && sizeof(AEGP_LayerSuite1::AEGP_AddLayer) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_ReorderLayer) == 200 && sizeof(AEGP_LayerSuite1::AEGP_ReorderLayer) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerMaskedBounds) == 208 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetLayerMaskedBounds) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerObjectType) == 216 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetLayerObjectType) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_IsLayer3D) == 224 && sizeof(AEGP_LayerSuite1::AEGP_IsLayer3D) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_IsLayer2D) == 232 && sizeof(AEGP_LayerSuite1::AEGP_IsLayer2D) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_IsVideoActive) == 240 &&
              sizeof(AEGP_LayerSuite1::AEGP_IsVideoActive) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_IsLayerUsedAsTrackMatte) == 248 &&
              sizeof(AEGP_LayerSuite1::AEGP_IsLayerUsedAsTrackMatte) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_DoesLayerHaveTrackMatte) == 256 &&
              sizeof(AEGP_LayerSuite1::AEGP_DoesLayerHaveTrackMatte) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_ConvertCompToLayerTime) == 264 &&
              sizeof(AEGP_LayerSuite1::AEGP_ConvertCompToLayerTime) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerDancingRandValue) == 272 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetLayerDancingRandValue) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerID) == 280 && sizeof(AEGP_LayerSuite1::AEGP_GetLayerID) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerToWorldXform) == 288 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetLayerToWorldXform) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_GetLayerToWorldXformFromView) == 296 &&
              sizeof(AEGP_LayerSuite1::AEGP_GetLayerToWorldXformFromView) == 8);
static_assert(offsetof(AEGP_LayerSuite1, AEGP_SetLayerName) == 304 && sizeof(AEGP_LayerSuite1::AEGP_SetLayerName) == 8);
static_assert(sizeof(AEGP_LayerSuite1) == 312);

// Version 14 (AEGP_LayerSuite8)
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetCompNumLayers) == 0 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetCompNumLayers) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetCompLayerByIndex) == 8 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetCompLayerByIndex) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetActiveLayer) == 16 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetActiveLayer) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerIndex) == 24 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerIndex) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerSourceItem) == 32 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerSourceItem) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerSourceItemID) == 40 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerSourceItemID) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerParentComp) == 48 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerParentComp) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerName) == 56 && sizeof(AEGP_LayerSuite8::AEGP_GetLayerName) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerQuality) == 64 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerQuality) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_SetLayerQuality) == 72 &&
              sizeof(AEGP_LayerSuite8::AEGP_SetLayerQuality) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerFlags) == 80 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerFlags) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_SetLayerFlag) == 88 && sizeof(AEGP_LayerSuite8::AEGP_SetLayerFlag) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_IsLayerVideoReallyOn) == 96 &&
              sizeof(AEGP_LayerSuite8::AEGP_IsLayerVideoReallyOn) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_IsLayerAudioReallyOn) == 104 &&
              sizeof(AEGP_LayerSuite8::AEGP_IsLayerAudioReallyOn) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerCurrentTime) == 112 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerCurrentTime) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerInPoint) == 120 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerInPoint) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerDuration) == 128 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerDuration) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_SetLayerInPointAndDuration) == 136 &&
              sizeof(AEGP_LayerSuite8::AEGP_SetLayerInPointAndDuration) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerOffset) == 144 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerOffset) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_SetLayerOffset) == 152 &&
              sizeof(AEGP_LayerSuite8::AEGP_SetLayerOffset) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerStretch) == 160 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerStretch) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_SetLayerStretch) == 168 &&
              sizeof(AEGP_LayerSuite8::AEGP_SetLayerStretch) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerTransferMode) == 176 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerTransferMode) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_SetLayerTransferMode) == 184 &&
              sizeof(AEGP_LayerSuite8::AEGP_SetLayerTransferMode) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_IsAddLayerValid) == 192 &&
              sizeof(AEGP_LayerSuite8::AEGP_IsAddLayerValid) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_AddLayer) == 200 && sizeof(AEGP_LayerSuite8::AEGP_AddLayer) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_ReorderLayer) == 208 && sizeof(AEGP_LayerSuite8::AEGP_ReorderLayer) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerMaskedBounds) == 216 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerMaskedBounds) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerObjectType) == 224 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerObjectType) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_IsLayer3D) == 232 && sizeof(AEGP_LayerSuite8::AEGP_IsLayer3D) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_IsLayer2D) == 240 && sizeof(AEGP_LayerSuite8::AEGP_IsLayer2D) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_IsVideoActive) == 248 &&
              sizeof(AEGP_LayerSuite8::AEGP_IsVideoActive) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_IsLayerUsedAsTrackMatte) == 256 &&
              sizeof(AEGP_LayerSuite8::AEGP_IsLayerUsedAsTrackMatte) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_DoesLayerHaveTrackMatte) == 264 &&
              sizeof(AEGP_LayerSuite8::AEGP_DoesLayerHaveTrackMatte) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_ConvertCompToLayerTime) == 272 &&
              sizeof(AEGP_LayerSuite8::AEGP_ConvertCompToLayerTime) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_ConvertLayerToCompTime) == 280 &&
              sizeof(AEGP_LayerSuite8::AEGP_ConvertLayerToCompTime) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerDancingRandValue) == 288 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerDancingRandValue) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerID) == 296 && sizeof(AEGP_LayerSuite8::AEGP_GetLayerID) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerToWorldXform) == 304 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerToWorldXform) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerToWorldXformFromView) == 312 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerToWorldXformFromView) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_SetLayerName) == 320 && sizeof(AEGP_LayerSuite8::AEGP_SetLayerName) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerParent) == 328 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerParent) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_SetLayerParent) == 336 &&
              sizeof(AEGP_LayerSuite8::AEGP_SetLayerParent) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_DeleteLayer) == 344 && sizeof(AEGP_LayerSuite8::AEGP_DeleteLayer) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_DuplicateLayer) == 352 &&
              sizeof(AEGP_LayerSuite8::AEGP_DuplicateLayer) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerFromLayerID) == 360 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerFromLayerID) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerLabel) == 368 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerLabel) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_SetLayerLabel) == 376 &&
              sizeof(AEGP_LayerSuite8::AEGP_SetLayerLabel) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_GetLayerSamplingQuality) == 384 &&
              sizeof(AEGP_LayerSuite8::AEGP_GetLayerSamplingQuality) == 8);
static_assert(offsetof(AEGP_LayerSuite8, AEGP_SetLayerSamplingQuality) == 392 &&
              sizeof(AEGP_LayerSuite8::AEGP_SetLayerSamplingQuality) == 8);
static_assert(sizeof(AEGP_LayerSuite8) == 400);

// Version 1 (AEGP_LightSuite1)
static_assert(offsetof(AEGP_LightSuite1, AEGP_GetLightType) == 0 && sizeof(AEGP_LightSuite1::AEGP_GetLightType) == 8);
static_assert(sizeof(AEGP_LightSuite1) == 8);

// Version 2 (AEGP_LightSuite2)
static_assert(offsetof(AEGP_LightSuite2, AEGP_GetLightType) == 0 && sizeof(AEGP_LightSuite2::AEGP_GetLightType) == 8);
static_assert(offsetof(AEGP_LightSuite2, AEGP_SetLightType) == 8 && sizeof(AEGP_LightSuite2::AEGP_SetLightType) == 8);
static_assert(sizeof(AEGP_LightSuite2) == 16);

// Version 4 (AEGP_StreamSuite1), slots up to AEGP_GetLayerStreamValue
static_assert(offsetof(AEGP_StreamSuite1, AEGP_IsStreamLegal) == 0 &&
              sizeof(AEGP_StreamSuite1::AEGP_IsStreamLegal) == 8);
static_assert(offsetof(AEGP_StreamSuite1, AEGP_CanVaryOverTime) == 8 &&
              sizeof(AEGP_StreamSuite1::AEGP_CanVaryOverTime) == 8);
static_assert(offsetof(AEGP_StreamSuite1, AEGP_GetNewLayerStream) == 16 &&
              sizeof(AEGP_StreamSuite1::AEGP_GetNewLayerStream) == 8);
static_assert(offsetof(AEGP_StreamSuite1, AEGP_GetEffectNumParamStreams) == 24 &&
              sizeof(AEGP_StreamSuite1::AEGP_GetEffectNumParamStreams) == 8);
static_assert(offsetof(AEGP_StreamSuite1, AEGP_GetNewEffectStreamByIndex) == 32 &&
              sizeof(AEGP_StreamSuite1::AEGP_GetNewEffectStreamByIndex) == 8);
static_assert(offsetof(AEGP_StreamSuite1, AEGP_GetNewMaskStream) == 40 &&
              sizeof(AEGP_StreamSuite1::AEGP_GetNewMaskStream) == 8);
static_assert(offsetof(AEGP_StreamSuite1, AEGP_DisposeStream) == 48 &&
              sizeof(AEGP_StreamSuite1::AEGP_DisposeStream) == 8);
static_assert(offsetof(AEGP_StreamSuite1, AEGP_GetStreamName) == 56 &&
              sizeof(AEGP_StreamSuite1::AEGP_GetStreamName) == 8);
static_assert(offsetof(AEGP_StreamSuite1, AEGP_GetStreamUnitsText) == 64 &&
              sizeof(AEGP_StreamSuite1::AEGP_GetStreamUnitsText) == 8);
static_assert(offsetof(AEGP_StreamSuite1, AEGP_GetStreamProperties) == 72 &&
              sizeof(AEGP_StreamSuite1::AEGP_GetStreamProperties) == 8);
static_assert(offsetof(AEGP_StreamSuite1, AEGP_IsStreamTimevarying) == 80 &&
              sizeof(AEGP_StreamSuite1::AEGP_IsStreamTimevarying) == 8);
static_assert(offsetof(AEGP_StreamSuite1, AEGP_GetStreamType) == 88 &&
              sizeof(AEGP_StreamSuite1::AEGP_GetStreamType) == 8);
static_assert(offsetof(AEGP_StreamSuite1, AEGP_GetNewStreamValue) == 96 &&
              sizeof(AEGP_StreamSuite1::AEGP_GetNewStreamValue) == 8);
static_assert(offsetof(AEGP_StreamSuite1, AEGP_DisposeStreamValue) == 104 &&
              sizeof(AEGP_StreamSuite1::AEGP_DisposeStreamValue) == 8);
static_assert(offsetof(AEGP_StreamSuite1, AEGP_SetStreamValue) == 112 &&
              sizeof(AEGP_StreamSuite1::AEGP_SetStreamValue) == 8);
static_assert(offsetof(AEGP_StreamSuite1, AEGP_GetLayerStreamValue) == 120 &&
              sizeof(AEGP_StreamSuite1::AEGP_GetLayerStreamValue) == 8);
static_assert(sizeof(AEGP_StreamSuite1) == 160);

// Version 9 (AEGP_StreamSuite4), slots up to AEGP_GetLayerStreamValue
static_assert(offsetof(AEGP_StreamSuite4, AEGP_IsStreamLegal) == 0 &&
              sizeof(AEGP_StreamSuite4::AEGP_IsStreamLegal) == 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_CanVaryOverTime) == 8 &&
              sizeof(AEGP_StreamSuite4::AEGP_CanVaryOverTime) == 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_GetValidInterpolations) == 16 &&
              sizeof(AEGP_StreamSuite4::AEGP_GetValidInterpolations) == 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_GetNewLayerStream) == 24 &&
              sizeof(AEGP_StreamSuite4::AEGP_GetNewLayerStream) == 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_GetEffectNumParamStreams) == 32 &&
              sizeof(AEGP_StreamSuite4::AEGP_GetEffectNumParamStreams) == 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_GetNewEffectStreamByIndex) == 40 &&
              sizeof(AEGP_StreamSuite4::AEGP_GetNewEffectStreamByIndex) == 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_GetNewMaskStream) == 48 &&
              sizeof(AEGP_StreamSuite4::AEGP_GetNewMaskStream) == 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_DisposeStream) == 56 &&
              sizeof(AEGP_StreamSuite4::AEGP_DisposeStream) == 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_GetStreamName) == 64 &&
              sizeof(AEGP_StreamSuite4::AEGP_GetStreamName) == 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_GetStreamUnitsText) == 72 &&
              sizeof(AEGP_StreamSuite4::AEGP_GetStreamUnitsText) == 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_GetStreamProperties) == 80 &&
              sizeof(AEGP_StreamSuite4::AEGP_GetStreamProperties) == 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_IsStreamTimevarying) == 88 &&
              sizeof(AEGP_StreamSuite4::AEGP_IsStreamTimevarying) == 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_GetStreamType) == 96 &&
              sizeof(AEGP_StreamSuite4::AEGP_GetStreamType) == 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_GetNewStreamValue) == 104 &&
              sizeof(AEGP_StreamSuite4::AEGP_GetNewStreamValue) == 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_DisposeStreamValue) == 112 &&
              sizeof(AEGP_StreamSuite4::AEGP_DisposeStreamValue) == 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_SetStreamValue) == 120 &&
              sizeof(AEGP_StreamSuite4::AEGP_SetStreamValue) == 8);
static_assert(offsetof(AEGP_StreamSuite4, AEGP_GetLayerStreamValue) == 128 &&
              sizeof(AEGP_StreamSuite4::AEGP_GetLayerStreamValue) == 8);
static_assert(sizeof(AEGP_StreamSuite4) == 176);

// AEGP_StreamVal2
static_assert(offsetof(AEGP_StreamVal2, four_d) == 0 && sizeof(AEGP_StreamVal2::four_d) == 32);
static_assert(offsetof(AEGP_StreamVal2, three_d) == 0 && sizeof(AEGP_StreamVal2::three_d) == 24);
static_assert(offsetof(AEGP_StreamVal2, two_d) == 0 && sizeof(AEGP_StreamVal2::two_d) == 16);
static_assert(offsetof(AEGP_StreamVal2, one_d) == 0 && sizeof(AEGP_StreamVal2::one_d) == 8);
static_assert(offsetof(AEGP_StreamVal2, color) == 0 && sizeof(AEGP_StreamVal2::color) == 32);
static_assert(offsetof(AEGP_StreamVal2, arbH) == 0 && sizeof(AEGP_StreamVal2::arbH) == 8);
static_assert(offsetof(AEGP_StreamVal2, markerP) == 0 && sizeof(AEGP_StreamVal2::markerP) == 8);
static_assert(offsetof(AEGP_StreamVal2, layer_id) == 0 && sizeof(AEGP_StreamVal2::layer_id) == 4);
static_assert(offsetof(AEGP_StreamVal2, mask_id) == 0 && sizeof(AEGP_StreamVal2::mask_id) == 4);
static_assert(offsetof(AEGP_StreamVal2, mask) == 0 && sizeof(AEGP_StreamVal2::mask) == 8);
static_assert(offsetof(AEGP_StreamVal2, text_documentH) == 0 && sizeof(AEGP_StreamVal2::text_documentH) == 8);
static_assert(sizeof(AEGP_StreamVal2) == 32 && alignof(AEGP_StreamVal2) == 8);

// AEGP_StreamVal
static_assert(offsetof(AEGP_StreamVal, four_d) == 0 && sizeof(AEGP_StreamVal::four_d) == 32);
static_assert(offsetof(AEGP_StreamVal, three_d) == 0 && sizeof(AEGP_StreamVal::three_d) == 24);
static_assert(offsetof(AEGP_StreamVal, two_d) == 0 && sizeof(AEGP_StreamVal::two_d) == 16);
static_assert(offsetof(AEGP_StreamVal, one_d) == 0 && sizeof(AEGP_StreamVal::one_d) == 8);
static_assert(offsetof(AEGP_StreamVal, color) == 0 && sizeof(AEGP_StreamVal::color) == 32);
static_assert(offsetof(AEGP_StreamVal, arbH) == 0 && sizeof(AEGP_StreamVal::arbH) == 8);
static_assert(offsetof(AEGP_StreamVal, markerH) == 0 && sizeof(AEGP_StreamVal::markerH) == 8);
static_assert(offsetof(AEGP_StreamVal, layer_id) == 0 && sizeof(AEGP_StreamVal::layer_id) == 4);
static_assert(offsetof(AEGP_StreamVal, mask_id) == 0 && sizeof(AEGP_StreamVal::mask_id) == 4);
static_assert(offsetof(AEGP_StreamVal, mask) == 0 && sizeof(AEGP_StreamVal::mask) == 8);
static_assert(offsetof(AEGP_StreamVal, text_documentH) == 0 && sizeof(AEGP_StreamVal::text_documentH) == 8);
static_assert(sizeof(AEGP_StreamVal) == 32 && alignof(AEGP_StreamVal) == 8);

// AEGP_ThreeDVal
static_assert(offsetof(AEGP_ThreeDVal, x) == 0 && sizeof(AEGP_ThreeDVal::x) == 8);
static_assert(offsetof(AEGP_ThreeDVal, y) == 8 && sizeof(AEGP_ThreeDVal::y) == 8);
static_assert(offsetof(AEGP_ThreeDVal, z) == 16 && sizeof(AEGP_ThreeDVal::z) == 8);
static_assert(sizeof(AEGP_ThreeDVal) == 24 && alignof(AEGP_ThreeDVal) == 8);

// AEGP_TwoDVal
static_assert(offsetof(AEGP_TwoDVal, x) == 0 && sizeof(AEGP_TwoDVal::x) == 8);
static_assert(offsetof(AEGP_TwoDVal, y) == 8 && sizeof(AEGP_TwoDVal::y) == 8);
static_assert(sizeof(AEGP_TwoDVal) == 16 && alignof(AEGP_TwoDVal) == 8);

// AEGP_ColorVal
static_assert(offsetof(AEGP_ColorVal, alphaF) == 0 && sizeof(AEGP_ColorVal::alphaF) == 8);
static_assert(offsetof(AEGP_ColorVal, redF) == 8 && sizeof(AEGP_ColorVal::redF) == 8);
static_assert(offsetof(AEGP_ColorVal, greenF) == 16 && sizeof(AEGP_ColorVal::greenF) == 8);
static_assert(offsetof(AEGP_ColorVal, blueF) == 24 && sizeof(AEGP_ColorVal::blueF) == 8);
static_assert(sizeof(AEGP_ColorVal) == 32 && alignof(AEGP_ColorVal) == 8);

// AEGP_StreamValue2
static_assert(offsetof(AEGP_StreamValue2, streamH) == 0 && sizeof(AEGP_StreamValue2::streamH) == 8);
static_assert(offsetof(AEGP_StreamValue2, val) == 8 && sizeof(AEGP_StreamValue2::val) == 32);
static_assert(sizeof(AEGP_StreamValue2) == 40 && alignof(AEGP_StreamValue2) == 8);
