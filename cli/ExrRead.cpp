#include "cli/ExrRead.h"

#include <OpenEXR/openexr.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <vector>

#include "cli/ExrChannels.h"
#include "cli/ExrZip.h"
#include "cli/SceneError.h"

namespace morvel::cli {

static_assert(std::endian::native == std::endian::little, "EXR samples are little-endian and read as they are");

namespace {

constexpr int kMaxChannels = 1024;
constexpr std::uint64_t kMaxBlockBytes = std::uint64_t(1) << 30;

// The core's messages for the calls of this thread, since the last Clear.
struct CoreMessages {
    std::string first;
    void Clear() { first.clear(); }
};
thread_local CoreMessages t_messages;

void OnCoreError(exr_const_context_t, exr_result_t, const char* msg) {
    if (t_messages.first.empty() && msg) t_messages.first = msg;
}

std::string CoreReason(exr_result_t code) {
    std::string reason = t_messages.first;
    const char* plain = exr_get_default_error_message(code);
    if (reason.empty() && plain) reason = plain;
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' ')) reason.pop_back();
    const char* name = exr_get_error_code_as_string(code);
    return reason + " (" + (name ? name : "unknown error " + std::to_string(code)) + ")";
}

// Where the bytes come from: a file read with pread, or memory.
struct Source {
    int fd = -1;
    const std::uint8_t* bytes = nullptr;
    std::uint64_t size = 0;
};

int64_t ReadSource(exr_const_context_t ctxt, void* user, void* buffer, uint64_t want, uint64_t offset,
                   exr_stream_error_func_ptr_t error) {
    const auto& src = *static_cast<const Source*>(user);
    if (offset >= src.size) return 0;
    want = std::min<uint64_t>(want, src.size - offset);
    if (src.bytes) {
        std::memcpy(buffer, src.bytes + offset, want);
        return int64_t(want);
    }
    uint64_t got = 0;
    while (got < want) {
        const ssize_t n = ::pread(src.fd, static_cast<char*>(buffer) + got, want - got, off_t(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            if (error)
                error(ctxt, EXR_ERR_READ_IO, "cannot read %llu bytes at %llu: %s", (unsigned long long)want,
                      (unsigned long long)offset, std::strerror(errno));
            return -1;
        }
        if (n == 0) break;
        got += uint64_t(n);
    }
    return int64_t(got);
}

int64_t SourceSize(exr_const_context_t, void* user) { return int64_t(static_cast<const Source*>(user)->size); }

// Every half's float, exactly (NaN payloads included), made once.
const float* HalfTable() {
    static const std::vector<float> table = [] {
        std::vector<float> t(65536);
        for (std::uint32_t h = 0; h < 65536; ++h) {
            const std::uint32_t sign = (h & 0x8000u) << 16;
            std::uint32_t exp = (h >> 10) & 0x1f, mant = h & 0x3ff, bits;
            if (exp == 0 && mant == 0) {
                bits = sign;
            } else if (exp == 0) {
                std::uint32_t e = 113;
                while (!(mant & 0x400)) {
                    mant <<= 1;
                    --e;
                }
                bits = sign | (e << 23) | ((mant & 0x3ff) << 13);
            } else if (exp == 31) {
                bits = sign | 0x7f800000u | (mant << 13);
            } else {
                bits = sign | ((exp + 112) << 23) | (mant << 13);
            }
            t[h] = std::bit_cast<float>(bits);
        }
        return t;
    }();
    return table.data();
}

// What a worker writes one block into.
struct Target {
    Image* image = nullptr;
    long long display_x = 0, display_y = 0;
    const int* slot_channel = nullptr;               // file channel of R, G, B, A; -1: alpha 1
    const std::vector<int>* bytes_before = nullptr;  // per channel: bytes of the channels before it, per pixel
    const std::vector<std::uint16_t>* types = nullptr;
    int pixel_bytes = 0;
    long long block_x = 0, block_y = 0;  // the block's first pixel, in file coordinates
    exr_result_t (*core_decompress)(exr_decode_pipeline_t*) = nullptr;
};

// One block's samples (per line, each channel's run in turn) into R G B A floats.
exr_result_t Unpack(exr_decode_pipeline_t* decode) {
    const Target& t = *static_cast<const Target*>(decode->decoding_user_data);
    const std::uint8_t* src = static_cast<const std::uint8_t*>(decode->unpacked_buffer);
    const long long w = decode->chunk.width, h = decode->chunk.height;
    if (w <= 0 || h <= 0) return EXR_ERR_SUCCESS;
    const std::uint64_t line_bytes = std::uint64_t(w) * std::uint64_t(t.pixel_bytes);
    if (!src || decode->chunk.unpacked_size < line_bytes * std::uint64_t(h)) return EXR_ERR_CORRUPT_CHUNK;
    const float* half = HalfTable();
    Image& image = *t.image;
    const long long x0 = std::max(t.block_x, t.display_x);
    const long long x1 = std::min(t.block_x + w, t.display_x + image.width);
    if (x1 <= x0) return EXR_ERR_SUCCESS;
    const std::size_t n = std::size_t(x1 - x0);
    for (long long y = 0; y < h; ++y) {
        const long long gy = t.block_y + y - t.display_y;
        if (gy < 0 || gy >= image.height) continue;
        const std::uint8_t* line = src + std::uint64_t(y) * line_bytes;
        float* dst = image.At(int(x0 - t.display_x), int(gy));
        for (int slot = 0; slot < 4; ++slot) {
            const int c = t.slot_channel[slot];
            float* out = dst + slot;
            if (c < 0) {
                for (std::size_t i = 0; i < n; ++i) out[i * 4] = 1.0f;
                continue;
            }
            const std::uint16_t type = (*t.types)[std::size_t(c)];
            const std::size_t size = type == EXR_PIXEL_HALF ? 2 : 4;
            const std::uint8_t* in = line + std::uint64_t((*t.bytes_before)[std::size_t(c)]) * std::uint64_t(w) +
                                     std::size_t(x0 - t.block_x) * size;
            if (type == EXR_PIXEL_HALF) {
                for (std::size_t i = 0; i < n; ++i) {
                    std::uint16_t v;
                    std::memcpy(&v, in + i * 2, 2);
                    out[i * 4] = half[v];
                }
            } else if (type == EXR_PIXEL_FLOAT) {
                for (std::size_t i = 0; i < n; ++i) std::memcpy(out + i * 4, in + i * 4, 4);
            } else {
                // Integers read as 0..1 like every other integer image.
                for (std::size_t i = 0; i < n; ++i) {
                    std::uint32_t v;
                    std::memcpy(&v, in + i * 4, 4);
                    out[i * 4] = float(v) * (1.0f / 4294967295.0f);
                }
            }
        }
    }
    return EXR_ERR_SUCCESS;
}

exr_result_t InflateZip(exr_decode_pipeline_t* decode) {
    const exr_chunk_info_t& c = decode->chunk;
    if (decode->packed_buffer == decode->unpacked_buffer) return EXR_ERR_SUCCESS;  // stored raw
    return DecodeZipBlock(decode->packed_buffer, c.packed_size, decode->unpacked_buffer, c.unpacked_size)
               ? EXR_ERR_SUCCESS
               : EXR_ERR_CORRUPT_CHUNK;
}

// A block as long as its pixels is stored raw, b44 ones too (as OpenEXR's
// writer stores them whenever b44 would not shrink them, float channels
// always); this core version would run the b44 decoder over the raw bytes.
exr_result_t DecompressUnlessRaw(exr_decode_pipeline_t* decode) {
    if (decode->chunk.packed_size == decode->chunk.unpacked_size) {
        if (decode->unpacked_buffer != decode->packed_buffer)
            std::memcpy(decode->unpacked_buffer, decode->packed_buffer, decode->chunk.unpacked_size);
        return EXR_ERR_SUCCESS;
    }
    const auto& t = *static_cast<const Target*>(decode->decoding_user_data);
    return t.core_decompress ? t.core_decompress(decode) : EXR_ERR_CORRUPT_CHUNK;
}

struct Finish {
    void operator()(exr_context_t ctxt) const { exr_finish(&ctxt); }
};

}  // namespace

struct ExrFile::State {
    std::string file;
    Source source;
    std::unique_ptr<std::remove_pointer_t<exr_context_t>, Finish> ctxt;
    int parts = 0;
    std::vector<exr_chunk_info_t> blocks;  // of the part CheckBlocks was given
    int blocks_part = -1;

    [[noreturn]] void Fail(const std::string& what, exr_result_t code) const {
        throw SceneError(file + ": " + what + ": " + CoreReason(code));
    }
    void Check(exr_result_t code, const std::string& what) const {
        if (code != EXR_ERR_SUCCESS) Fail(what, code);
    }

    void Open() {
        exr_context_initializer_t init = EXR_DEFAULT_CONTEXT_INITIALIZER;
        init.error_handler_fn = &OnCoreError;
        init.user_data = &source;
        init.read_fn = &ReadSource;
        init.size_fn = &SourceSize;
        t_messages.Clear();
        exr_context_t raw = nullptr;
        const exr_result_t rv = exr_start_read(&raw, file.c_str(), &init);
        ctxt.reset(raw);
        Check(rv, "cannot read the image");
        Check(exr_get_count(ctxt.get(), &parts), "cannot read the image");
        if (parts < 1) throw SceneError(file + ": cannot read the image: the file has no parts");
    }

    // Every block takes an entry in the block table and a leader of at least
    // `least` bytes in all, so a header cannot claim more than the file holds.
    void CheckBlockCount(long long blocks, long long least) const {
        if (blocks > (long long)(source.size / std::uint64_t(least)))
            throw SceneError(file + ": the file (" + std::to_string(source.size) + " bytes) is too small for the " +
                             std::to_string(blocks) + " blocks its header claims; it is truncated or damaged");
    }

    std::vector<ExrChannel> Channels(int part) const {
        const exr_attr_chlist_t* list = nullptr;
        t_messages.Clear();
        Check(exr_get_channels(ctxt.get(), part, &list), "cannot read the channels of part " + std::to_string(part));
        if (!list || list->num_channels < 1 || !list->entries)
            throw SceneError(file + ": cannot read the image: part " + std::to_string(part) + " has no channels");
        return CanonicalOrder(*list);
    }

    std::string PartName(int part) const {
        const char* name = nullptr;
        if (exr_get_name(ctxt.get(), part, &name) != EXR_ERR_SUCCESS || !name) return "";
        return name;
    }

    std::string LayerNames() const {
        std::vector<std::string> names;
        for (int p = 0; p < parts; ++p) {
            std::string part = PartName(p);
            if (!part.empty()) names.push_back(part);
            const exr_attr_chlist_t* list = nullptr;
            if (exr_get_channels(ctxt.get(), p, &list) != EXR_ERR_SUCCESS || !list) continue;
            for (const ExrChannel& c : CanonicalOrder(*list))
                if (!c.layer.empty()) names.push_back(c.layer.substr(0, c.layer.size() - 1));
        }
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        std::string text;
        for (const auto& n : names) text += (text.empty() ? "" : ", ") + n;
        return text.empty() ? "none" : text;
    }
};

bool IsExr(const void* head, std::size_t size) {
    static const std::uint8_t kMagic[4] = {0x76, 0x2f, 0x31, 0x01};
    return size >= 4 && std::memcmp(head, kMagic, 4) == 0;
}

ExrFile::ExrFile(const std::string& file, int fd, std::uint64_t size) : state_(std::make_unique<State>()) {
    state_->file = file;
    state_->source.fd = fd;
    state_->source.size = size;
    state_->Open();
}

ExrFile::ExrFile(const std::string& file, const void* bytes, std::size_t size) : state_(std::make_unique<State>()) {
    state_->file = file;
    state_->source.bytes = static_cast<const std::uint8_t*>(bytes);
    state_->source.size = size;
    state_->Open();
}

ExrFile::~ExrFile() = default;

ExrLayer ExrFile::Pick(const std::string& spec_text, const std::string& layer) const {
    const State& s = *state_;
    ExrLayer pick;
    bool found = false;
    if (layer.empty()) {
        if (!PickChannels(s.Channels(0), "", pick)) throw SceneError(spec_text + ": the image has no channels");
        found = true;
    }
    for (int p = 0; !found && p < s.parts; ++p) {
        pick.part = p;
        const std::vector<ExrChannel> chans = s.Channels(p);
        found = (s.PartName(p) == layer && PickChannels(chans, "", pick)) || PickChannels(chans, layer + ".", pick);
    }
    if (!found)
        throw SceneError(spec_text + ": no layer \"" + layer + "\" in the file (layers: " + s.LayerNames() + ")");

    t_messages.Clear();
    exr_storage_t storage;
    s.Check(exr_get_storage(s.ctxt.get(), pick.part, &storage), "cannot read part " + std::to_string(pick.part));
    if (storage != EXR_STORAGE_SCANLINE && storage != EXR_STORAGE_TILED)
        throw SceneError(s.file + ": part " + std::to_string(pick.part) +
                         " holds deep data (several samples per pixel), which cannot be read as an image");
    const exr_attr_chlist_t* list = nullptr;
    s.Check(exr_get_channels(s.ctxt.get(), pick.part, &list), "cannot read part " + std::to_string(pick.part));
    // Each block's decode buffers grow with the channels, which the pixel cap does not bound.
    if (list->num_channels > kMaxChannels)
        throw SceneError(s.file + ": part " + std::to_string(pick.part) + " has " + std::to_string(list->num_channels) +
                         " channels; at most " + std::to_string(kMaxChannels) + " can be read");
    for (int c = 0; c < list->num_channels; ++c) {
        const auto& e = list->entries[c];
        if (e.x_sampling != 1 || e.y_sampling != 1)
            throw SceneError(s.file + ": channel \"" + std::string(e.name.str ? e.name.str : "") +
                             "\" is subsampled (" + std::to_string(e.x_sampling) + " x " +
                             std::to_string(e.y_sampling) + "), which is not supported");
        if (e.pixel_type != EXR_PIXEL_HALF && e.pixel_type != EXR_PIXEL_FLOAT && e.pixel_type != EXR_PIXEL_UINT)
            throw SceneError(s.file + ": channel \"" + std::string(e.name.str ? e.name.str : "") +
                             "\" has an unknown sample type " + std::to_string(int(e.pixel_type)));
    }
    exr_attr_box2i_t data, display;
    s.Check(exr_get_data_window(s.ctxt.get(), pick.part, &data), "cannot read the data window");
    s.Check(exr_get_display_window(s.ctxt.get(), pick.part, &display), "cannot read the display window");
    pick.data_x = data.min.x;
    pick.data_y = data.min.y;
    pick.data_width = (long long)data.max.x - data.min.x + 1;
    pick.data_height = (long long)data.max.y - data.min.y + 1;
    pick.display_x = display.min.x;
    pick.display_y = display.min.y;
    pick.display_width = (long long)display.max.x - display.min.x + 1;
    pick.display_height = (long long)display.max.y - display.min.y + 1;
    return pick;
}

void ExrFile::CheckBlocks(const ExrLayer& layer) {
    State& s = *state_;
    exr_context_t ctxt = s.ctxt.get();
    const int part = layer.part;
    t_messages.Clear();
    exr_storage_t storage;
    s.Check(exr_get_storage(ctxt, part, &storage), "cannot read the pixels");
    std::vector<exr_chunk_info_t> blocks;
    if (storage == EXR_STORAGE_TILED) {
        uint32_t tw = 0, th = 0;
        exr_tile_level_mode_t mode;
        exr_tile_round_mode_t round;
        s.Check(exr_get_tile_descriptor(ctxt, part, &tw, &th, &mode, &round), "cannot read the tiles");
        if (tw == 0 || th == 0) throw SceneError(s.file + ": cannot read the tiles: a tile of size 0");
        const long long nx = (layer.data_width + tw - 1) / tw, ny = (layer.data_height + th - 1) / th;
        int32_t count = 0;
        s.Check(exr_get_chunk_count(ctxt, part, &count), "cannot read the tiles");
        // Level 0 is a part of the blocks; the rest are smaller levels, never read.
        if (nx * ny > count)
            throw SceneError(s.file + ": the file holds " + std::to_string(count) + " tiles where its " +
                             std::to_string(layer.data_width) + " x " + std::to_string(layer.data_height) +
                             " pixels need " + std::to_string(nx * ny));
        s.CheckBlockCount(nx * ny, 8 + 20);
        blocks.resize(std::size_t(nx * ny));
        for (long long ty = 0; ty < ny; ++ty)
            for (long long tx = 0; tx < nx; ++tx) {
                t_messages.Clear();
                s.Check(
                    exr_read_tile_chunk_info(ctxt, part, int(tx), int(ty), 0, 0, &blocks[std::size_t(ty * nx + tx)]),
                    "cannot read tile (" + std::to_string(tx) + ", " + std::to_string(ty) + ")");
            }
    } else {
        int32_t lines = 0;
        s.Check(exr_get_scanlines_per_chunk(ctxt, part, &lines), "cannot read the pixels");
        if (lines < 1)
            throw SceneError(s.file + ": cannot read the pixels: blocks of " + std::to_string(lines) + " lines");
        const long long n = (layer.data_height + lines - 1) / lines;
        s.CheckBlockCount(n, 8 + 8);
        blocks.resize(std::size_t(n));
        for (long long i = 0; i < n; ++i) {
            const long long y = layer.data_y + i * lines;
            t_messages.Clear();
            s.Check(exr_read_scanline_chunk_info(ctxt, part, int(y), &blocks[std::size_t(i)]),
                    "cannot read the block of line " + std::to_string(y));
        }
    }
    exr_compression_t compression;
    s.Check(exr_get_compression(ctxt, part, &compression), "cannot read the pixels");
    for (const exr_chunk_info_t& b : blocks) {
        // An empty block would leave its pixels as whatever memory held; an
        // uncompressed one must hold exactly its pixels.
        const bool bad = (b.unpacked_size > 0 && b.packed_size == 0) || b.unpacked_size > kMaxBlockBytes ||
                         (compression == EXR_COMPRESSION_NONE && b.packed_size != b.unpacked_size);
        if (bad)
            throw SceneError(s.file + ": block " + std::to_string(b.idx) + " holds " + std::to_string(b.packed_size) +
                             " bytes for " + std::to_string(b.unpacked_size) + " bytes of pixels; the file is damaged");
    }
    s.blocks = std::move(blocks);
    s.blocks_part = part;
}

void ExrFile::Decode(const ExrLayer& layer, Image& image) {
    State& s = *state_;
    if (s.blocks_part != layer.part) CheckBlocks(layer);
    exr_context_t ctxt = s.ctxt.get();
    const int part = layer.part;
    const exr_attr_chlist_t* list = nullptr;
    t_messages.Clear();
    s.Check(exr_get_channels(ctxt, part, &list), "cannot read the pixels");
    std::vector<int> bytes_before(std::size_t(list->num_channels));
    std::vector<std::uint16_t> types(bytes_before.size());
    int pixel_bytes = 0;
    for (int c = 0; c < list->num_channels; ++c) {
        bytes_before[std::size_t(c)] = pixel_bytes;
        types[std::size_t(c)] = std::uint16_t(list->entries[c].pixel_type);
        pixel_bytes += list->entries[c].pixel_type == EXR_PIXEL_HALF ? 2 : 4;
    }
    exr_storage_t storage;
    s.Check(exr_get_storage(ctxt, part, &storage), "cannot read the pixels");
    uint32_t tw = 0, th = 0;
    long long nx = 1;
    if (storage == EXR_STORAGE_TILED) {
        exr_tile_level_mode_t mode;
        exr_tile_round_mode_t round;
        s.Check(exr_get_tile_descriptor(ctxt, part, &tw, &th, &mode, &round), "cannot read the tiles");
        nx = (layer.data_width + tw - 1) / tw;
    }
    exr_compression_t compression;
    s.Check(exr_get_compression(ctxt, part, &compression), "cannot read the pixels");
    const int slots[4] = {layer.r, layer.g, layer.b, layer.a};

    exr_decode_pipeline_t decode{};  // all zero, as the library's initializer means
    bool started = false;
    struct Destroy {
        exr_const_context_t ctxt;
        exr_decode_pipeline_t* decode;
        bool* started;
        ~Destroy() {
            if (*started) exr_decoding_destroy(ctxt, decode);
        }
    } destroy{ctxt, &decode, &started};
    Target target{&image, layer.display_x, layer.display_y, slots, &bytes_before, &types, pixel_bytes};
    for (std::size_t i = 0; i < s.blocks.size(); ++i) {
        const exr_chunk_info_t& block = s.blocks[i];
        if (storage == EXR_STORAGE_TILED) {
            target.block_x = layer.data_x + (long long)(i % std::size_t(nx)) * tw;
            target.block_y = layer.data_y + (long long)(i / std::size_t(nx)) * th;
        } else {
            target.block_x = layer.data_x;
            target.block_y = block.start_y;
        }
        t_messages.Clear();
        exr_result_t rv;
        if (!started) {
            rv = exr_decoding_initialize(ctxt, part, &block, &decode);
            started = rv == EXR_ERR_SUCCESS;
            if (started) rv = exr_decoding_choose_default_routines(ctxt, part, &decode);
            if (rv == EXR_ERR_SUCCESS) {
                if (compression == EXR_COMPRESSION_ZIP || compression == EXR_COMPRESSION_ZIPS) {
                    decode.decompress_fn = &InflateZip;
                } else if (decode.decompress_fn) {
                    target.core_decompress = decode.decompress_fn;
                    decode.decompress_fn = &DecompressUnlessRaw;
                }
                decode.unpack_and_convert_fn = &Unpack;
            }
        } else {
            rv = exr_decoding_update(ctxt, part, &block, &decode);
        }
        decode.decoding_user_data = &target;
        if (rv == EXR_ERR_SUCCESS) rv = exr_decoding_run(ctxt, part, &decode);
        if (rv != EXR_ERR_SUCCESS) {
            const std::string where =
                storage == EXR_STORAGE_TILED
                    ? "tile (" + std::to_string(i % std::size_t(nx)) + ", " + std::to_string(i / std::size_t(nx)) + ")"
                    : "the block of line " + std::to_string(block.start_y);
            throw SceneError(s.file + ": cannot read " + where + ": " + CoreReason(rv));
        }
    }
}

}  // namespace morvel::cli
