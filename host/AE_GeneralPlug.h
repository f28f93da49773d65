// The host's plug-in layer (AEGP) as an effect reaches it: handles, enums,
// stream values and the utility, PF interface, layer, light and stream suites.
// Each table matches the numeric version passed to AcquireSuite; newer
// versions insert slots, so a table is only valid for its own number.
#pragma once

#include "AE_Effect.h"

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 8)

// ---------------------------------------------------------------- suite names and versions

#define kAEGPUtilitySuite "AEGP Utility Suite"
#define kAEGPUtilitySuiteVersion6 13

#define kAEGPPFInterfaceSuite "AEGP PF Interface Suite"
#define kAEGPPFInterfaceSuiteVersion1 1

#define kAEGPLayerSuite "AEGP Layer Suite"
#define kAEGPLayerSuiteVersion1 5
#define kAEGPLayerSuiteVersion8 14
#define kAEGPLayerSuiteVersion9 15

#define kAEGPLightSuite "AEGP Light Suite"
#define kAEGPLightSuiteVersion1 1
#define kAEGPLightSuiteVersion2 2

#define kAEGPStreamSuite "AEGP Stream Suite"
#define kAEGPStreamSuiteVersion1 4
#define kAEGPStreamSuiteVersion4 9

// Including the terminator.
#define AEGP_MAX_PLUGIN_NAME_SIZE 32

// ---------------------------------------------------------------- scalar types

typedef A_long AEGP_PluginID;
// 16-bit, unlike most host enums.
typedef A_short AEGP_LTimeMode;
typedef A_long AEGP_ObjectType;
typedef A_long AEGP_LayerStream;
typedef A_long AEGP_StreamType;
typedef A_long AEGP_LayerIDVal;
typedef A_long AEGP_MaskIDVal;
typedef A_long AEGP_LayerFlags;
typedef A_long AEGP_TrackMatte;
// Unsigned: AEGP_LightType_NONE reads back as 0xFFFFFFFF.
typedef A_u_long AEGP_LightType;
typedef A_u_long AEGP_LightFalloffType;
typedef A_u_long AEGP_GetPathTypes;
typedef A_short AEGP_LayerQuality;
typedef A_short AEGP_LayerSamplingQuality;
typedef A_char AEGP_LabelID;

// ---------------------------------------------------------------- opaque handles

typedef struct AEGP_ProjectOpaque** AEGP_ProjectH;
typedef struct AEGP_ItemOpaque** AEGP_ItemH;
typedef struct AEGP_CompOpaque** AEGP_CompH;
typedef struct AEGP_FootageOpaque** AEGP_FootageH;
typedef struct AEGP_LayerOpaque** AEGP_LayerH;
typedef struct AEGP_EffectRefOpaque** AEGP_EffectRefH;
typedef struct AEGP_MaskRefOpaque** AEGP_MaskRefH;
typedef struct AEGP_StreamRefOpaque** AEGP_StreamRefH;
typedef struct AEGP_MaskOutlineValOpaque** AEGP_MaskOutlineValH;
typedef struct AEGP_TextDocumentOpaque** AEGP_TextDocumentH;
typedef struct AEGP_WorldOpaque** AEGP_WorldH;
typedef struct AEGP_RenderOptionsOpaque** AEGP_RenderOptionsH;
typedef struct AEGP_MemHandleOpaque** AEGP_MemHandle;
typedef struct AEGP_MarkerValOpaque** AEGP_MarkerValH;
typedef struct AEGP_MarkerValOpaque* AEGP_MarkerValP;
typedef struct AEGP_ArbBlockOpaque** AEGP_ArbBlockVal;
typedef struct AEGP_GlobalRefconOpaque* AEGP_GlobalRefcon;

// Reached only through pointers in slots we never call.
typedef struct AEGP_ErrReportState AEGP_ErrReportState;
typedef struct AEGP_LayerTransferMode AEGP_LayerTransferMode;

// ---------------------------------------------------------------- enums

enum : AEGP_ObjectType {
    AEGP_ObjectType_NONE = -1,
    AEGP_ObjectType_AV = 0,
    AEGP_ObjectType_LIGHT = 1,
    AEGP_ObjectType_CAMERA = 2,
    AEGP_ObjectType_TEXT = 3,
    AEGP_ObjectType_VECTOR = 4,
    // 5..10 reserved
    AEGP_ObjectType_NUM_TYPES = 11
};

enum : AEGP_LTimeMode { AEGP_LTimeMode_LayerTime = 0, AEGP_LTimeMode_CompTime = 1 };

enum : AEGP_LightType {
    AEGP_LightType_NONE = 0xFFFFFFFFu,
    AEGP_LightType_PARALLEL = 0,
    AEGP_LightType_SPOT = 1,
    AEGP_LightType_POINT = 2,
    AEGP_LightType_AMBIENT = 3,
    AEGP_LightType_RESERVED1 = 4,
    AEGP_LightType_NUM_TYPES = 5
};

enum : AEGP_LightFalloffType {
    AEGP_LightFalloff_NONE = 0,
    AEGP_LightFalloff_SMOOTH = 1,
    AEGP_LightFalloff_INVERSE_SQUARE_CLAMPED = 2
};

enum : AEGP_LayerStream {
    AEGP_LayerStream_NONE = -1,
    AEGP_LayerStream_ANCHORPOINT = 0,
    AEGP_LayerStream_POSITION = 1,
    AEGP_LayerStream_SCALE = 2,
    AEGP_LayerStream_ROTATION = 3,
    AEGP_LayerStream_ROTATE_Z = AEGP_LayerStream_ROTATION,
    AEGP_LayerStream_OPACITY = 4,
    AEGP_LayerStream_AUDIO = 5,
    AEGP_LayerStream_MARKER = 6,
    AEGP_LayerStream_TIME_REMAP = 7,
    AEGP_LayerStream_ROTATE_X = 8,
    AEGP_LayerStream_ROTATE_Y = 9,
    AEGP_LayerStream_ORIENTATION = 10,
    AEGP_LayerStream_ZOOM = 11,
    AEGP_LayerStream_DEPTH_OF_FIELD = 12,
    AEGP_LayerStream_FOCUS_DISTANCE = 13,
    AEGP_LayerStream_APERTURE = 14,
    AEGP_LayerStream_BLUR_LEVEL = 15,
    AEGP_LayerStream_INTENSITY = 16,
    AEGP_LayerStream_COLOR = 17,
    AEGP_LayerStream_CONE_ANGLE = 18,
    AEGP_LayerStream_CONE_FEATHER = 19,
    AEGP_LayerStream_SHADOW_DARKNESS = 20,
    AEGP_LayerStream_SHADOW_DIFFUSION = 21,
    AEGP_LayerStream_ACCEPTS_SHADOWS = 22,
    AEGP_LayerStream_ACCEPTS_LIGHTS = 23,
    AEGP_LayerStream_AMBIENT_COEFF = 24,
    AEGP_LayerStream_DIFFUSE_COEFF = 25,
    AEGP_LayerStream_SPECULAR_INTENSITY = 26,
    AEGP_LayerStream_SPECULAR_SHININESS = 27,
    AEGP_LayerStream_CASTS_SHADOWS = 28,
    AEGP_LayerStream_LIGHT_TRANSMISSION = 29,
    AEGP_LayerStream_METAL = 30,
    AEGP_LayerStream_SOURCE_TEXT = 31,
    AEGP_LayerStream_IRIS_SHAPE = 32,
    AEGP_LayerStream_IRIS_ROTATION = 33,
    AEGP_LayerStream_IRIS_ROUNDNESS = 34,
    AEGP_LayerStream_IRIS_ASPECT_RATIO = 35,
    AEGP_LayerStream_IRIS_DIFFRACTION_FRINGE = 36,
    AEGP_LayerStream_IRIS_HIGHLIGHT_GAIN = 37,
    AEGP_LayerStream_IRIS_HIGHLIGHT_THRESHOLD = 38,
    AEGP_LayerStream_IRIS_HIGHLIGHT_SATURATION = 39,
    AEGP_LayerStream_LIGHT_FALLOFF_TYPE = 40,
    AEGP_LayerStream_LIGHT_FALLOFF_START = 41,
    AEGP_LayerStream_LIGHT_FALLOFF_DISTANCE = 42,
    AEGP_LayerStream_REFLECTION_INTENSITY = 43,
    AEGP_LayerStream_REFLECTION_SHARPNESS = 44,
    AEGP_LayerStream_REFLECTION_ROLLOFF = 45,
    AEGP_LayerStream_TRANSPARENCY_COEFF = 46,
    AEGP_LayerStream_TRANSPARENCY_ROLLOFF = 47,
    AEGP_LayerStream_INDEX_OF_REFRACTION = 48,
    AEGP_LayerStream_EXTRUSION_BEVEL_STYLE = 49,
    AEGP_LayerStream_EXTRUSION_BEVEL_DIRECTION = 50,
    AEGP_LayerStream_EXTRUSION_BEVEL_DEPTH = 51,
    AEGP_LayerStream_EXTRUSION_HOLE_BEVEL_DEPTH = 52,
    AEGP_LayerStream_EXTRUSION_DEPTH = 53,
    AEGP_LayerStream_PLANE_CURVATURE = 54,
    AEGP_LayerStream_PLANE_SUBDIVISION = 55,
    AEGP_LayerStream_LIGHT_BACKGROUND_VISIBLE = 56,
    AEGP_LayerStream_LIGHT_BACKGROUND_OPACITY = 57,
    AEGP_LayerStream_LIGHT_BACKGROUND_BLUR = 58,
    AEGP_LayerStream_NUMTYPES = 59,
    AEGP_LayerStream_BEGIN = AEGP_LayerStream_ANCHORPOINT,
    AEGP_LayerStream_END = AEGP_LayerStream_NUMTYPES
};

enum : AEGP_StreamType {
    AEGP_StreamType_NO_DATA = 0,
    AEGP_StreamType_ThreeD_SPATIAL = 1,
    AEGP_StreamType_ThreeD = 2,
    AEGP_StreamType_TwoD_SPATIAL = 3,
    AEGP_StreamType_TwoD = 4,
    AEGP_StreamType_OneD = 5,
    AEGP_StreamType_COLOR = 6,
    AEGP_StreamType_ARB = 7,
    AEGP_StreamType_MARKER = 8,
    AEGP_StreamType_LAYER_ID = 9,
    AEGP_StreamType_MASK_ID = 10,
    AEGP_StreamType_MASK = 11,
    AEGP_StreamType_TEXT_DOCUMENT = 12
};

// Only the flags an effect inspects.
enum : AEGP_LayerFlags {
    AEGP_LayerFlag_VIDEO_ACTIVE = 0x1,
    AEGP_LayerFlag_ADJUSTMENT_LAYER = 0x200,
    AEGP_LayerFlag_LAYER_IS_3D = 0x800,
    AEGP_LayerFlag_NULL_LAYER = 0x10000,
    AEGP_LayerFlag_ENVIRONMENT_LAYER = 0x200000
};

// ---------------------------------------------------------------- stream values

typedef A_FpLong AEGP_OneDVal;

typedef struct AEGP_TwoDVal {
    A_FpLong x;
    A_FpLong y;
} AEGP_TwoDVal;

typedef struct AEGP_ThreeDVal {
    A_FpLong x;
    A_FpLong y;
    A_FpLong z;
} AEGP_ThreeDVal;

typedef A_FpLong AEGP_FourDVal[4];

// Alpha first; a COLOR stream's four_d reads alpha, red, green, blue.
typedef struct AEGP_ColorVal {
    A_FpLong alphaF;
    A_FpLong redF;
    A_FpLong greenF;
    A_FpLong blueF;
} AEGP_ColorVal;

// Union of stream suite versions 4 and 7.
typedef union AEGP_StreamVal {
    AEGP_FourDVal four_d;
    AEGP_ThreeDVal three_d;
    AEGP_TwoDVal two_d;
    AEGP_OneDVal one_d;
    AEGP_ColorVal color;
    AEGP_ArbBlockVal arbH;
    AEGP_MarkerValH markerH;
    AEGP_LayerIDVal layer_id;
    AEGP_MaskIDVal mask_id;
    AEGP_MaskOutlineValH mask;
    AEGP_TextDocumentH text_documentH;
} AEGP_StreamVal;

// Union of stream suite versions 8 and later; same layout for numeric data.
typedef union AEGP_StreamVal2 {
    AEGP_FourDVal four_d;
    AEGP_ThreeDVal three_d;
    AEGP_TwoDVal two_d;
    AEGP_OneDVal one_d;
    AEGP_ColorVal color;
    AEGP_ArbBlockVal arbH;
    AEGP_MarkerValP markerP;
    AEGP_LayerIDVal layer_id;
    AEGP_MaskIDVal mask_id;
    AEGP_MaskOutlineValH mask;
    AEGP_TextDocumentH text_documentH;
} AEGP_StreamVal2;

typedef struct AEGP_StreamValue {
    AEGP_StreamRefH streamH;
    AEGP_StreamVal val;
} AEGP_StreamValue;

typedef struct AEGP_StreamValue2 {
    AEGP_StreamRefH streamH;
    AEGP_StreamVal2 val;
} AEGP_StreamValue2;

// ---------------------------------------------------------------- "AEGP Utility Suite" 13

typedef struct AEGP_UtilitySuite6 {
    A_Err (*AEGP_ReportInfo)(AEGP_PluginID aegp_plugin_id, const A_char* info_stringZ);
    A_Err (*AEGP_ReportInfoUnicode)(AEGP_PluginID aegp_plugin_id, const A_UTF16Char* info_stringP);
    A_Err (*AEGP_GetDriverPluginInitFuncVersion)(A_short* major_versionPS, A_short* minor_versionPS);
    A_Err (*AEGP_GetDriverImplementationVersion)(A_short* major_versionPS, A_short* minor_versionPS);
    A_Err (*AEGP_StartQuietErrors)(AEGP_ErrReportState* err_stateP);
    A_Err (*AEGP_EndQuietErrors)(A_Boolean report_quieted_errorsB, AEGP_ErrReportState* err_stateP);
    A_Err (*AEGP_GetLastErrorMessage)(A_long buffer_size, A_char* error_string, A_Err* error_num);
    A_Err (*AEGP_StartUndoGroup)(const A_char* undo_nameZ);
    A_Err (*AEGP_EndUndoGroup)(void);
    // The tenth function. The name is at most AEGP_MAX_PLUGIN_NAME_SIZE bytes.
    A_Err (*AEGP_RegisterWithAEGP)(AEGP_GlobalRefcon global_refcon, const A_char* plugin_name,
                                   AEGP_PluginID* plugin_id);
    A_Err (*AEGP_GetMainHWND)(void* main_hwnd);
    A_Err (*AEGP_ShowHideAllFloaters)(A_Boolean include_tool_palB);
    A_Err (*AEGP_PaintPalGetForeColor)(AEGP_ColorVal* fore_colorP);
    A_Err (*AEGP_PaintPalGetBackColor)(AEGP_ColorVal* back_colorP);
    A_Err (*AEGP_PaintPalSetForeColor)(const AEGP_ColorVal* fore_colorP);
    A_Err (*AEGP_PaintPalSetBackColor)(const AEGP_ColorVal* back_colorP);
    A_Err (*AEGP_CharPalGetFillColor)(A_Boolean* is_fill_color_definedPB, AEGP_ColorVal* fill_colorP);
    A_Err (*AEGP_CharPalGetStrokeColor)(A_Boolean* is_stroke_color_definedPB, AEGP_ColorVal* stroke_colorP);
    A_Err (*AEGP_CharPalSetFillColor)(const AEGP_ColorVal* fill_colorP);
    A_Err (*AEGP_CharPalSetStrokeColor)(const AEGP_ColorVal* stroke_colorP);
    A_Err (*AEGP_CharPalIsFillColorUIFrontmost)(A_Boolean* is_fill_color_selectedPB);
    A_Err (*AEGP_ConvertFpLongToHSFRatio)(A_FpLong numberF, A_Ratio* ratioPR);
    // The ratio travels by value.
    A_Err (*AEGP_ConvertHSFRatioToFpLong)(A_Ratio ratioR, A_FpLong* numberPF);
    A_Err (*AEGP_CauseIdleRoutinesToBeCalled)(void);
    A_Err (*AEGP_GetSuppressInteractiveUI)(A_Boolean* ui_is_suppressedPB);
    A_Err (*AEGP_WriteToOSConsole)(const A_char* textZ);
    A_Err (*AEGP_WriteToDebugLog)(const A_char* subsystemZ, const A_char* event_typeZ, const A_char* infoZ);
    A_Err (*AEGP_IsScriptingAvailable)(A_Boolean* outAvailablePB);
    A_Err (*AEGP_ExecuteScript)(AEGP_PluginID in_plugin_id, const A_char* in_scriptZ,
                                const A_Boolean in_platform_encodingB, AEGP_MemHandle* out_resultPH0,
                                AEGP_MemHandle* out_error_stringPH0);
    A_Err (*AEGP_HostIsActivated)(A_Boolean* is_activatedPB);
    A_Err (*AEGP_GetPluginPlatformRef)(AEGP_PluginID plug_id, void** plat_refPPV);
    A_Err (*AEGP_UpdateFontList)(void);
    A_Err (*AEGP_GetPluginPaths)(AEGP_PluginID aegp_plugin_id, AEGP_GetPathTypes path_type, AEGP_MemHandle* pathPH);
} AEGP_UtilitySuite6;

// ---------------------------------------------------------------- "AEGP PF Interface Suite" 1

typedef struct AEGP_PFInterfaceSuite1 {
    A_Err (*AEGP_GetEffectLayer)(PF_ProgPtr effect_ref, AEGP_LayerH* layerPH);
    A_Err (*AEGP_GetNewEffectForEffect)(AEGP_PluginID aegp_plugin_id, PF_ProgPtr effect_ref, AEGP_EffectRefH* effectPH);
    A_Err (*AEGP_ConvertEffectToCompTime)(PF_ProgPtr effect_ref, A_long what_timeL, A_u_long time_scaleLu,
                                          A_Time* comp_timePT);
    A_Err (*AEGP_GetEffectCamera)(PF_ProgPtr effect_ref, const A_Time* comp_timePT, AEGP_LayerH* camera_layerPH);
    A_Err (*AEGP_GetEffectCameraMatrix)(PF_ProgPtr effect_ref, const A_Time* comp_timePT, A_Matrix4* camera_matrixP,
                                        A_FpLong* dist_to_image_planePF, A_short* image_plane_widthPL,
                                        A_short* image_plane_heightPL);
} AEGP_PFInterfaceSuite1;

// ---------------------------------------------------------------- "AEGP Layer Suite" 5

typedef struct AEGP_LayerSuite1 {
    A_Err (*AEGP_GetCompNumLayers)(AEGP_CompH compH, A_long* num_layersPL);
    // index is 0-based.
    A_Err (*AEGP_GetCompLayerByIndex)(AEGP_CompH compH, A_long layer_indexL, AEGP_LayerH* layerPH);
    A_Err (*AEGP_GetActiveLayer)(AEGP_LayerH* layerPH);
    A_Err (*AEGP_GetLayerIndex)(AEGP_LayerH layerH, A_long* layer_indexPL);
    A_Err (*AEGP_GetLayerSourceItem)(AEGP_LayerH layerH, AEGP_ItemH* source_itemPH);
    A_Err (*AEGP_GetLayerParentComp)(AEGP_LayerH layerH, AEGP_CompH* compPH);
    A_Err (*AEGP_GetLayerName)(AEGP_LayerH layerH, A_char* layer_nameZ0, A_char* source_nameZ0);
    A_Err (*AEGP_GetLayerQuality)(AEGP_LayerH layerH, AEGP_LayerQuality* qualityP);
    A_Err (*AEGP_SetLayerQuality)(AEGP_LayerH layerH, AEGP_LayerQuality quality);
    A_Err (*AEGP_GetLayerFlags)(AEGP_LayerH layerH, AEGP_LayerFlags* layer_flagsP);
    A_Err (*AEGP_SetLayerFlag)(AEGP_LayerH layerH, AEGP_LayerFlags single_flag, A_Boolean valueB);
    A_Err (*AEGP_IsLayerVideoReallyOn)(AEGP_LayerH layerH, A_Boolean* onPB);
    A_Err (*AEGP_IsLayerAudioReallyOn)(AEGP_LayerH layerH, A_Boolean* onPB);
    A_Err (*AEGP_GetLayerCurrentTime)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, A_Time* curr_timePT);
    A_Err (*AEGP_GetLayerInPoint)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, A_Time* in_pointPT);
    A_Err (*AEGP_GetLayerDuration)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, A_Time* durationPT);
    A_Err (*AEGP_SetLayerInPointAndDuration)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, const A_Time* in_pointPT,
                                             const A_Time* durationPT);
    A_Err (*AEGP_GetLayerOffset)(AEGP_LayerH layerH, A_Time* offsetPT);
    A_Err (*AEGP_SetLayerOffset)(AEGP_LayerH layerH, const A_Time* offsetPT);
    A_Err (*AEGP_GetLayerStretch)(AEGP_LayerH layerH, A_Ratio* stretchPRt);
    A_Err (*AEGP_SetLayerStretch)(AEGP_LayerH layerH, const A_Ratio* stretchPRt);
    A_Err (*AEGP_GetLayerTransferMode)(AEGP_LayerH layerH, AEGP_LayerTransferMode* transfer_modeP);
    A_Err (*AEGP_SetLayerTransferMode)(AEGP_LayerH layerH, const AEGP_LayerTransferMode* transfer_modeP);
    A_Err (*AEGP_IsAddLayerValid)(AEGP_ItemH item_to_addH, AEGP_CompH into_compH, A_Boolean* validPB);
    A_Err (*AEGP_AddLayer)(AEGP_ItemH item_to_addH, AEGP_CompH into_compH, AEGP_LayerH* added_layerPH0);
    A_Err (*AEGP_ReorderLayer)(AEGP_LayerH layerH, A_long layer_indexL);
    A_Err (*AEGP_GetLayerMaskedBounds)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, const A_Time* timePT,
                                       A_FloatRect* boundsPR);
    A_Err (*AEGP_GetLayerObjectType)(AEGP_LayerH layerH, AEGP_ObjectType* object_type);
    A_Err (*AEGP_IsLayer3D)(AEGP_LayerH layerH, A_Boolean* is_3DPB);
    A_Err (*AEGP_IsLayer2D)(AEGP_LayerH layerH, A_Boolean* is_2DPB);
    A_Err (*AEGP_IsVideoActive)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, const A_Time* timePT,
                                A_Boolean* is_activePB);
    A_Err (*AEGP_IsLayerUsedAsTrackMatte)(AEGP_LayerH layerH, A_Boolean fill_must_be_activeB,
                                          A_Boolean* is_track_mattePB);
    A_Err (*AEGP_DoesLayerHaveTrackMatte)(AEGP_LayerH layerH, A_Boolean* has_track_mattePB);
    A_Err (*AEGP_ConvertCompToLayerTime)(AEGP_LayerH layerH, const A_Time* comp_timeP, A_Time* layer_timeP);
    A_Err (*AEGP_GetLayerDancingRandValue)(AEGP_LayerH layerH, const A_Time* comp_timePT, A_long* rand_valuePL);
    A_Err (*AEGP_GetLayerID)(AEGP_LayerH layerH, AEGP_LayerIDVal* id_valP);
    // comp_time is in composition time.
    A_Err (*AEGP_GetLayerToWorldXform)(AEGP_LayerH aegp_layerH, const A_Time* comp_timeP, A_Matrix4* transform);
    A_Err (*AEGP_GetLayerToWorldXformFromView)(AEGP_LayerH aegp_layerH, const A_Time* view_timeP,
                                               const A_Time* comp_timeP, A_Matrix4* transform);
    A_Err (*AEGP_SetLayerName)(AEGP_LayerH aegp_layerH, const A_char* new_nameZ);
} AEGP_LayerSuite1;

// ---------------------------------------------------------------- "AEGP Layer Suite" 14 and 15

// Version 14: slot 5 (GetLayerSourceItemID) and slot 35 (ConvertLayerToCompTime)
// were inserted after version 5, so every later slot moved.
#define AEGP_LAYER_SUITE8_SLOTS                                                                                      \
    A_Err (*AEGP_GetCompNumLayers)(AEGP_CompH compH, A_long * num_layersPL);                                         \
    A_Err (*AEGP_GetCompLayerByIndex)(AEGP_CompH compH, A_long layer_indexL, AEGP_LayerH * layerPH);                 \
    A_Err (*AEGP_GetActiveLayer)(AEGP_LayerH * layerPH);                                                             \
    A_Err (*AEGP_GetLayerIndex)(AEGP_LayerH layerH, A_long * layer_indexPL);                                         \
    A_Err (*AEGP_GetLayerSourceItem)(AEGP_LayerH layerH, AEGP_ItemH * source_itemPH);                                \
    A_Err (*AEGP_GetLayerSourceItemID)(AEGP_LayerH layerH, A_long * source_item_idPL);                               \
    A_Err (*AEGP_GetLayerParentComp)(AEGP_LayerH layerH, AEGP_CompH * compPH);                                       \
    A_Err (*AEGP_GetLayerName)(AEGP_PluginID pluginID, AEGP_LayerH layerH, AEGP_MemHandle * layer_nameH0,            \
                               AEGP_MemHandle * source_nameH0);                                                      \
    A_Err (*AEGP_GetLayerQuality)(AEGP_LayerH layerH, AEGP_LayerQuality * qualityP);                                 \
    A_Err (*AEGP_SetLayerQuality)(AEGP_LayerH layerH, AEGP_LayerQuality quality);                                    \
    A_Err (*AEGP_GetLayerFlags)(AEGP_LayerH layerH, AEGP_LayerFlags * layer_flagsP);                                 \
    A_Err (*AEGP_SetLayerFlag)(AEGP_LayerH layerH, AEGP_LayerFlags single_flag, A_Boolean valueB);                   \
    A_Err (*AEGP_IsLayerVideoReallyOn)(AEGP_LayerH layerH, A_Boolean * onPB);                                        \
    A_Err (*AEGP_IsLayerAudioReallyOn)(AEGP_LayerH layerH, A_Boolean * onPB);                                        \
    A_Err (*AEGP_GetLayerCurrentTime)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, A_Time * curr_timePT);           \
    A_Err (*AEGP_GetLayerInPoint)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, A_Time * in_pointPT);                \
    A_Err (*AEGP_GetLayerDuration)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, A_Time * durationPT);               \
    A_Err (*AEGP_SetLayerInPointAndDuration)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, const A_Time* in_pointPT, \
                                             const A_Time* durationPT);                                              \
    A_Err (*AEGP_GetLayerOffset)(AEGP_LayerH layerH, A_Time * offsetPT);                                             \
    A_Err (*AEGP_SetLayerOffset)(AEGP_LayerH layerH, const A_Time* offsetPT);                                        \
    A_Err (*AEGP_GetLayerStretch)(AEGP_LayerH layerH, A_Ratio * stretchPRt);                                         \
    A_Err (*AEGP_SetLayerStretch)(AEGP_LayerH layerH, const A_Ratio* stretchPRt);                                    \
    A_Err (*AEGP_GetLayerTransferMode)(AEGP_LayerH layerH, AEGP_LayerTransferMode * transfer_modeP);                 \
    A_Err (*AEGP_SetLayerTransferMode)(AEGP_LayerH layerH, const AEGP_LayerTransferMode* transfer_modeP);            \
    A_Err (*AEGP_IsAddLayerValid)(AEGP_ItemH item_to_addH, AEGP_CompH into_compH, A_Boolean * validPB);              \
    A_Err (*AEGP_AddLayer)(AEGP_ItemH item_to_addH, AEGP_CompH into_compH, AEGP_LayerH * added_layerPH0);            \
    A_Err (*AEGP_ReorderLayer)(AEGP_LayerH layerH, A_long layer_indexL);                                             \
    A_Err (*AEGP_GetLayerMaskedBounds)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, const A_Time* timePT,           \
                                       A_FloatRect* boundsPR);                                                       \
    A_Err (*AEGP_GetLayerObjectType)(AEGP_LayerH layerH, AEGP_ObjectType * object_type);                             \
    A_Err (*AEGP_IsLayer3D)(AEGP_LayerH layerH, A_Boolean * is_3DPB);                                                \
    A_Err (*AEGP_IsLayer2D)(AEGP_LayerH layerH, A_Boolean * is_2DPB);                                                \
    A_Err (*AEGP_IsVideoActive)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, const A_Time* timePT,                  \
                                A_Boolean* is_activePB);                                                             \
    A_Err (*AEGP_IsLayerUsedAsTrackMatte)(AEGP_LayerH layerH, A_Boolean fill_must_be_activeB,                        \
                                          A_Boolean * is_track_mattePB);                                             \
    A_Err (*AEGP_DoesLayerHaveTrackMatte)(AEGP_LayerH layerH, A_Boolean * has_track_mattePB);                        \
    A_Err (*AEGP_ConvertCompToLayerTime)(AEGP_LayerH layerH, const A_Time* comp_timeP, A_Time* layer_timeP);         \
    A_Err (*AEGP_ConvertLayerToCompTime)(AEGP_LayerH layerH, const A_Time* layer_timeP, A_Time* comp_timeP);         \
    A_Err (*AEGP_GetLayerDancingRandValue)(AEGP_LayerH layerH, const A_Time* comp_timePT, A_long* rand_valuePL);     \
    A_Err (*AEGP_GetLayerID)(AEGP_LayerH layerH, AEGP_LayerIDVal * id_valP);                                         \
    A_Err (*AEGP_GetLayerToWorldXform)(AEGP_LayerH aegp_layerH, const A_Time* comp_timeP, A_Matrix4* transform);     \
    A_Err (*AEGP_GetLayerToWorldXformFromView)(AEGP_LayerH aegp_layerH, const A_Time* view_timeP,                    \
                                               const A_Time* comp_timeP, A_Matrix4* transform);                      \
    A_Err (*AEGP_SetLayerName)(AEGP_LayerH aegp_layerH, const A_UTF16Char* new_nameZ);                               \
    A_Err (*AEGP_GetLayerParent)(const AEGP_LayerH layerH, AEGP_LayerH* parent_layerPH);                             \
    A_Err (*AEGP_SetLayerParent)(AEGP_LayerH layerH, const AEGP_LayerH parent_layerH);                               \
    A_Err (*AEGP_DeleteLayer)(AEGP_LayerH layerH);                                                                   \
    A_Err (*AEGP_DuplicateLayer)(AEGP_LayerH orig_layerH, AEGP_LayerH * duplicate_layerPH);                          \
    A_Err (*AEGP_GetLayerFromLayerID)(AEGP_CompH parent_compH, AEGP_LayerIDVal id, AEGP_LayerH * layerPH);           \
    A_Err (*AEGP_GetLayerLabel)(AEGP_LayerH layerH, AEGP_LabelID * labelP);                                          \
    A_Err (*AEGP_SetLayerLabel)(AEGP_LayerH layerH, AEGP_LabelID label);                                             \
    A_Err (*AEGP_GetLayerSamplingQuality)(AEGP_LayerH layerH, AEGP_LayerSamplingQuality * qualityP);                 \
    A_Err (*AEGP_SetLayerSamplingQuality)(AEGP_LayerH layerH, AEGP_LayerSamplingQuality quality);

typedef struct AEGP_LayerSuite8 {
    AEGP_LAYER_SUITE8_SLOTS
} AEGP_LayerSuite8;

// Version 15 only appends.
typedef struct AEGP_LayerSuite9 {
    AEGP_LAYER_SUITE8_SLOTS
    A_Err (*AEGP_GetTrackMatteLayer)(const AEGP_LayerH layerH, AEGP_LayerH* track_matte_layerPH);
    A_Err (*AEGP_SetTrackMatte)(AEGP_LayerH layerH, const AEGP_LayerH track_matte_layerH,
                                const AEGP_TrackMatte track_matte_type);
    A_Err (*AEGP_RemoveTrackMatte)(AEGP_LayerH layerH);
} AEGP_LayerSuite9;

#undef AEGP_LAYER_SUITE8_SLOTS

// ---------------------------------------------------------------- "AEGP Light Suite" 1 and 2

typedef struct AEGP_LightSuite1 {
    A_Err (*AEGP_GetLightType)(AEGP_LayerH light_layerH, AEGP_LightType* light_type);
} AEGP_LightSuite1;

typedef struct AEGP_LightSuite2 {
    A_Err (*AEGP_GetLightType)(AEGP_LayerH light_layerH, AEGP_LightType* light_type);
    A_Err (*AEGP_SetLightType)(AEGP_LayerH light_layerH, AEGP_LightType light_type);
} AEGP_LightSuite2;

// ---------------------------------------------------------------- "AEGP Stream Suite" 4 and 9

// Version 4 has no GetValidInterpolations slot, so GetLayerStreamValue is
// slot 15 here and 16 from version 7 on. Slots past 15 are never called.
typedef struct AEGP_StreamSuite1 {
    A_Err (*AEGP_IsStreamLegal)(AEGP_LayerH layerH, AEGP_LayerStream which_stream, A_Boolean* is_legalP);
    A_Err (*AEGP_CanVaryOverTime)(AEGP_StreamRefH streamH, A_Boolean* can_varyPB);
    A_Err (*AEGP_GetNewLayerStream)(AEGP_PluginID aegp_plugin_id, AEGP_LayerH layerH, AEGP_LayerStream which_stream,
                                    AEGP_StreamRefH* streamPH);
    A_Err (*AEGP_GetEffectNumParamStreams)(AEGP_EffectRefH effect_refH, A_long* num_paramsPL);
    A_Err (*AEGP_GetNewEffectStreamByIndex)(AEGP_PluginID aegp_plugin_id, AEGP_EffectRefH effect_refH,
                                            PF_ParamIndex param_index, AEGP_StreamRefH* streamPH);
    A_UnusedSlotFunc AEGP_GetNewMaskStream;
    A_Err (*AEGP_DisposeStream)(AEGP_StreamRefH streamH);
    A_Err (*AEGP_GetStreamName)(AEGP_StreamRefH streamH, A_Boolean force_englishB, A_char* nameZ);
    A_Err (*AEGP_GetStreamUnitsText)(AEGP_StreamRefH streamH, A_Boolean force_englishB, A_char* unitsZ);
    A_UnusedSlotFunc AEGP_GetStreamProperties;
    A_Err (*AEGP_IsStreamTimevarying)(AEGP_StreamRefH streamH, A_Boolean* is_timevaryPB);
    A_Err (*AEGP_GetStreamType)(AEGP_StreamRefH streamH, AEGP_StreamType* stream_typeP);
    A_Err (*AEGP_GetNewStreamValue)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, AEGP_LTimeMode time_mode,
                                    const A_Time* timePT, A_Boolean pre_expressionB, AEGP_StreamValue* valueP);
    A_Err (*AEGP_DisposeStreamValue)(AEGP_StreamValue* valueP);
    A_Err (*AEGP_SetStreamValue)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, AEGP_StreamValue* valueP);
    // Numeric streams only; stream_typeP0 may be NULL.
    A_Err (*AEGP_GetLayerStreamValue)(AEGP_LayerH layerH, AEGP_LayerStream which_stream, AEGP_LTimeMode time_mode,
                                      const A_Time* timePT, A_Boolean pre_expressionB, AEGP_StreamVal* stream_valP,
                                      AEGP_StreamType* stream_typeP0);
    A_UnusedSlotFunc unused_slot16;
    A_UnusedSlotFunc unused_slot17;
    A_UnusedSlotFunc unused_slot18;
    A_UnusedSlotFunc unused_slot19;
} AEGP_StreamSuite1;

typedef struct AEGP_StreamSuite4 {
    A_Err (*AEGP_IsStreamLegal)(AEGP_LayerH layerH, AEGP_LayerStream which_stream, A_Boolean* is_legalP);
    A_Err (*AEGP_CanVaryOverTime)(AEGP_StreamRefH streamH, A_Boolean* can_varyPB);
    A_UnusedSlotFunc AEGP_GetValidInterpolations;
    A_Err (*AEGP_GetNewLayerStream)(AEGP_PluginID aegp_plugin_id, AEGP_LayerH layerH, AEGP_LayerStream which_stream,
                                    AEGP_StreamRefH* streamPH);
    A_Err (*AEGP_GetEffectNumParamStreams)(AEGP_EffectRefH effect_refH, A_long* num_paramsPL);
    A_Err (*AEGP_GetNewEffectStreamByIndex)(AEGP_PluginID aegp_plugin_id, AEGP_EffectRefH effect_refH,
                                            PF_ParamIndex param_index, AEGP_StreamRefH* streamPH);
    A_UnusedSlotFunc AEGP_GetNewMaskStream;
    A_Err (*AEGP_DisposeStream)(AEGP_StreamRefH streamH);
    A_Err (*AEGP_GetStreamName)(AEGP_PluginID pluginID, AEGP_StreamRefH streamH, A_Boolean force_englishB,
                                AEGP_MemHandle* utf_stream_namePH);
    A_Err (*AEGP_GetStreamUnitsText)(AEGP_StreamRefH streamH, A_Boolean force_englishB, A_char* unitsZ);
    A_UnusedSlotFunc AEGP_GetStreamProperties;
    A_Err (*AEGP_IsStreamTimevarying)(AEGP_StreamRefH streamH, A_Boolean* is_timevaryPB);
    A_Err (*AEGP_GetStreamType)(AEGP_StreamRefH streamH, AEGP_StreamType* stream_typeP);
    A_Err (*AEGP_GetNewStreamValue)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, AEGP_LTimeMode time_mode,
                                    const A_Time* timePT, A_Boolean pre_expressionB, AEGP_StreamValue2* valueP);
    A_Err (*AEGP_DisposeStreamValue)(AEGP_StreamValue2* valueP);
    A_Err (*AEGP_SetStreamValue)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, AEGP_StreamValue2* valueP);
    A_Err (*AEGP_GetLayerStreamValue)(AEGP_LayerH layerH, AEGP_LayerStream which_stream, AEGP_LTimeMode time_mode,
                                      const A_Time* timePT, A_Boolean pre_expressionB, AEGP_StreamVal2* stream_valP,
                                      AEGP_StreamType* stream_typeP0);
    A_UnusedSlotFunc unused_slot17;
    A_UnusedSlotFunc unused_slot18;
    A_UnusedSlotFunc unused_slot19;
    A_UnusedSlotFunc AEGP_SetExpression;
    A_UnusedSlotFunc AEGP_DuplicateStreamRef;
} AEGP_StreamSuite4;

#pragma pack(pop)

#ifdef __cplusplus
}
#endif
