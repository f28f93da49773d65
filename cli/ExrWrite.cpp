#include "cli/ExrWrite.h"

#include <fcntl.h>
#include <openexr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "cli/ExrZip.h"
#include "cli/SceneError.h"

namespace morvel::cli {
namespace {

// What went wrong first, from whichever thread saw it: the system's reason
// for a failed write, else the library's message.
class Failure {
public:
    void Note(std::string what) {
        std::lock_guard lock(mutex_);
        if (first_.empty()) first_ = std::move(what);
    }
    std::string Reason(exr_result_t rv) {
        std::lock_guard lock(mutex_);
        return first_.empty() ? exr_get_default_error_message(rv) : first_;
    }

private:
    std::mutex mutex_;
    std::string first_;
};

// The file the library writes through. Our own descriptor, so that a failed
// close (where a full disk or a lost network share may show up last) is an
// error too, and the library never opens or unlinks anything itself.
struct Sink {
    int fd = -1;
    Failure failure;
};

int64_t WriteAt(exr_const_context_t, void* user, const void* buffer, uint64_t size, uint64_t offset,
                exr_stream_error_func_ptr_t) {
    auto* sink = static_cast<Sink*>(user);
    const char* at = static_cast<const char*>(buffer);
    uint64_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(sink->fd, at + done, size_t(size - done), off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            sink->failure.Note(n < 0 ? std::strerror(errno) : "the file system took no more bytes");
            return -1;
        }
        done += uint64_t(n);
    }
    return int64_t(done);
}

void OnError(exr_const_context_t ctxt, exr_result_t, const char* message) {
    void* user = nullptr;
    if (ctxt && exr_get_user_data(ctxt, &user) == EXR_ERR_SUCCESS && user)
        static_cast<Sink*>(user)->failure.Note(message ? message : "");
}

// Ends the context on every path; the file stays ours to close.
struct Context {
    exr_context_t ctxt = nullptr;
    ~Context() {
        if (ctxt) exr_finish(&ctxt);
    }
};

exr_compression_t Method(const std::string& method, const std::string& shown) {
    if (method == "none") return EXR_COMPRESSION_NONE;
    if (method == "rle") return EXR_COMPRESSION_RLE;
    if (method == "zips") return EXR_COMPRESSION_ZIPS;
    if (method == "zip") return EXR_COMPRESSION_ZIP;
    if (method == "piz") return EXR_COMPRESSION_PIZ;
    throw SceneError(shown + ": EXR output cannot use --compression " + method);
}

// The capture date in the form EXR's capDate takes, local time.
std::string CaptureDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[32] = {};
    if (!localtime_r(&now, &local) || !std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &local)) return {};
    return text;
}

// Inclusive corners of a window placed at (x, y), refused where a corner
// would leave the coordinates a file can hold.
exr_attr_box2i_t Box(long long x, long long y, int width, int height, const std::string& shown) {
    const long long x1 = x + width - 1, y1 = y + height - 1;
    if (x < INT_MIN || y < INT_MIN || x1 > INT_MAX || y1 > INT_MAX)
        throw SceneError(shown + ": cannot write the image: its window at (" + std::to_string(x) + ", " +
                         std::to_string(y) + ") reaches beyond the coordinates an EXR file can hold");
    exr_attr_box2i_t box{};
    box.min.x = int(x), box.min.y = int(y);
    box.max.x = int(x1), box.max.y = int(y1);
    return box;
}

// One thread's encoder: packs and compresses a block into memory, keeping
// its buffers from block to block.
class BlockEncoder {
public:
    // `deflate_level` above 0 compresses zip and zips blocks with libdeflate
    // at that level instead of the library's zlib.
    BlockEncoder(exr_context_t ctxt, const Image& image, int data_x, int deflate_level)
        : ctxt_(ctxt), image_(image), data_x_(data_x), deflate_level_(deflate_level) {}
    ~BlockEncoder() {
        if (started_) exr_encoding_destroy(ctxt_, &pipe_);
    }
    BlockEncoder(const BlockEncoder&) = delete;
    BlockEncoder& operator=(const BlockEncoder&) = delete;

    // The block that starts at scanline y (file coordinates), into `out`.
    exr_result_t Encode(int y, std::vector<uint8_t>& out) {
        exr_chunk_info_t info;
        exr_result_t rv = exr_write_scanline_chunk_info(ctxt_, 0, y, &info);
        if (rv != EXR_ERR_SUCCESS) return rv;
        rv = started_ ? exr_encoding_update(ctxt_, 0, &info, &pipe_) : exr_encoding_initialize(ctxt_, 0, &info, &pipe_);
        if (rv != EXR_ERR_SUCCESS) return rv;
        const int row = info.start_y - image_.origin_y;
        for (int c = 0; c < pipe_.channel_count; ++c) {
            exr_coding_channel_info_t& channel = pipe_.channels[c];
            channel.user_bytes_per_element = 4;
            channel.user_data_type = EXR_PIXEL_FLOAT;
            channel.user_pixel_stride = 4 * sizeof(float);
            channel.user_line_stride = int32_t(std::size_t(image_.width) * 4 * sizeof(float));
            channel.encode_from_ptr = reinterpret_cast<const uint8_t*>(image_.At(data_x_, row) + Slot(channel));
        }
        if (!started_) {
            started_ = true;
            rv = exr_encoding_choose_default_routines(ctxt_, 0, &pipe_);
            if (rv != EXR_ERR_SUCCESS) return rv;
            // Blocks are kept, not written: the writer puts them in the file in order.
            pipe_.yield_until_ready_fn = nullptr;
            pipe_.write_fn = &Keep;
            if (deflate_level_ > 0) pipe_.compress_fn = &Deflate;
        }
        out_ = &out;
        pipe_.encoding_user_data = this;
        return exr_encoding_run(ctxt_, 0, &pipe_);
    }

private:
    static int Slot(const exr_coding_channel_info_t& channel) {
        switch (channel.channel_name[0]) {
            case 'R':
                return 0;
            case 'G':
                return 1;
            case 'B':
                return 2;
            default:
                return 3;
        }
    }

    static exr_result_t Keep(exr_encode_pipeline_t* pipe) {
        std::vector<uint8_t>& out = *static_cast<BlockEncoder*>(pipe->encoding_user_data)->out_;
        const auto* bytes = static_cast<const uint8_t*>(pipe->compressed_buffer);
        if (bytes == out.data()) return EXR_ERR_SUCCESS;
        try {
            out.assign(bytes, bytes + pipe->compressed_bytes);
        } catch (const std::bad_alloc&) {
            return EXR_ERR_OUT_OF_MEMORY;
        }
        return EXR_ERR_SUCCESS;
    }

    // Straight into the block's own buffer, lent to the pipeline with no size
    // so that the library never frees it.
    static exr_result_t Deflate(exr_encode_pipeline_t* pipe) {
        auto* self = static_cast<BlockEncoder*>(pipe->encoding_user_data);
        std::vector<uint8_t>& out = *self->out_;
        try {
            out.resize(pipe->packed_bytes);
        } catch (const std::bad_alloc&) {
            return EXR_ERR_OUT_OF_MEMORY;
        }
        const std::size_t size =
            EncodeZipBlock(pipe->packed_buffer, pipe->packed_bytes, out.data(), self->deflate_level_);
        if (size == 0) return EXR_ERR_OUT_OF_MEMORY;
        out.resize(size);
        pipe->compressed_buffer = out.data();
        pipe->compressed_bytes = size;
        pipe->compressed_alloc_size = 0;
        return EXR_ERR_SUCCESS;
    }

    exr_context_t ctxt_;
    const Image& image_;
    int data_x_;
    int deflate_level_;
    std::vector<uint8_t>* out_ = nullptr;
    exr_encode_pipeline_t pipe_{};  // all zero, as the library's initializer means
    bool started_ = false;
};

// Blocks encoded by worker threads, written by the calling thread in file order
// as soon as each is ready.
class BlockQueue {
public:
    explicit BlockQueue(int count) : blocks_(std::size_t(count)) {}

    // The next block index to encode, or -1 when none is left or work stopped.
    int Take() {
        std::lock_guard lock(mutex_);
        return stopped_ || next_ == int(blocks_.size()) ? -1 : next_++;
    }
    void Done(int i, std::vector<uint8_t> bytes) {
        std::lock_guard lock(mutex_);
        blocks_[std::size_t(i)].bytes = std::move(bytes);
        blocks_[std::size_t(i)].ready = true;
        ready_.notify_all();
    }
    void Stop() {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        ready_.notify_all();
    }
    // Block i once encoded; false when work stopped first.
    bool Wait(int i, std::vector<uint8_t>& bytes) {
        std::unique_lock lock(mutex_);
        Block& b = blocks_[std::size_t(i)];
        ready_.wait(lock, [&] { return b.ready || stopped_; });
        if (!b.ready) return false;
        bytes = std::move(b.bytes);
        b.bytes = {};
        return true;
    }

private:
    struct Block {
        std::vector<uint8_t> bytes;
        bool ready = false;
    };
    std::mutex mutex_;
    std::condition_variable ready_;
    std::vector<Block> blocks_;
    int next_ = 0;
    bool stopped_ = false;
};

void Check(exr_result_t rv, Sink& sink, const std::string& shown) {
    if (rv != EXR_ERR_SUCCESS) throw SceneError(shown + ": cannot write the image: " + sink.failure.Reason(rv));
}

// Encodes every block on worker threads and writes them in order from this one.
void WriteBlocks(exr_context_t ctxt, Sink& sink, const Image& image, const Window& data, int deflate_level,
                 const std::string& shown) {
    int32_t lines = 1;
    Check(exr_get_scanlines_per_chunk(ctxt, 0, &lines), sink, shown);
    const int first_y = image.origin_y + data.y;
    const int count = (data.height + lines - 1) / lines;
    BlockQueue queue(count);
    std::mutex failed_mutex;
    exr_result_t failed = EXR_ERR_SUCCESS;
    auto work = [&] {
        BlockEncoder encoder(ctxt, image, data.x, deflate_level);
        for (int i; (i = queue.Take()) >= 0;) {
            std::vector<uint8_t> bytes;
            exr_result_t rv;
            try {
                rv = encoder.Encode(first_y + i * lines, bytes);
            } catch (const std::bad_alloc&) {
                rv = EXR_ERR_OUT_OF_MEMORY;
            }
            if (rv != EXR_ERR_SUCCESS) {
                std::lock_guard lock(failed_mutex);
                failed = rv;
                queue.Stop();
                return;
            }
            queue.Done(i, std::move(bytes));
        }
    };
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    exr_result_t rv = EXR_ERR_SUCCESS;
    {
        // On every way out the workers are told to stop first, then joined.
        std::vector<std::jthread> workers;
        struct StopOnExit {
            BlockQueue& queue;
            ~StopOnExit() { queue.Stop(); }
        } stop_on_exit{queue};
        try {
            for (int t = 0; t < std::min(cores, count); ++t) workers.emplace_back(work);
        } catch (const std::system_error&) {
            // Fewer threads than cores still write the file; none, and this thread encodes it all first.
            if (workers.empty()) work();
        }
        std::vector<uint8_t> bytes;
        for (int i = 0; i < count && queue.Wait(i, bytes); ++i) {
            // Every block is encoded by now: the workers end before the last
            // write, which closes the file's state they still read.
            if (i == count - 1) workers.clear();
            rv = exr_write_scanline_chunk(ctxt, 0, first_y + i * lines, bytes.data(), bytes.size());
            if (rv != EXR_ERR_SUCCESS) break;
        }
    }
    if (failed != EXR_ERR_SUCCESS) rv = failed;
    Check(rv, sink, shown);
}

}  // namespace

void WriteExr(const std::string& file, const std::string& shown, const Image& image, const Compression& compression) {
    const exr_compression_t method = Method(compression.method, shown);
    if (image.width <= 0 || image.height <= 0 || image.width > INT32_MAX / int(4 * sizeof(float)))
        throw SceneError(shown + ": cannot write the image: " + std::to_string(image.width) + " x " +
                         std::to_string(image.height) + " pixels cannot be stored");
    const bool cropped = image.data_window && image.data_window->width > 0 && image.data_window->height > 0;
    const Window data = cropped ? *image.data_window : Window{0, 0, image.width, image.height};
    const exr_attr_box2i_t display_box = Box(image.origin_x, image.origin_y, image.width, image.height, shown);
    const exr_attr_box2i_t data_box =
        Box((long long)image.origin_x + data.x, (long long)image.origin_y + data.y, data.width, data.height, shown);

    Sink sink;
    sink.fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (sink.fd < 0) {
        const std::string reason = std::strerror(errno);
        const std::string folder = std::filesystem::path(file).parent_path().string();
        throw SceneError(shown + ": cannot write the image: cannot create a file in the folder \"" +
                         (folder.empty() ? "." : folder) + "\": " + reason);
    }
    struct CloseOnExit {
        int& fd;
        ~CloseOnExit() {
            if (fd >= 0) ::close(fd);
        }
    } close_on_exit{sink.fd};

    exr_context_initializer_t init = EXR_DEFAULT_CONTEXT_INITIALIZER;
    init.error_handler_fn = &OnError;
    init.user_data = &sink;
    init.write_fn = &WriteAt;
    {
        Context context;
        Check(exr_start_write(&context.ctxt, file.c_str(), EXR_WRITE_FILE_DIRECTLY, &init), sink, shown);
        exr_context_t ctxt = context.ctxt;
        int part = 0;
        Check(exr_add_part(ctxt, nullptr, EXR_STORAGE_SCANLINE, &part), sink, shown);
        const exr_attr_v2f_t center{};  // (0, 0)
        Check(exr_initialize_required_attr(ctxt, part, &display_box, &data_box, 1.0f, &center, 1.0f,
                                           EXR_LINEORDER_INCREASING_Y, method),
              sink, shown);
        for (const char* name : {"R", "G", "B", "A"})
            Check(exr_add_channel(ctxt, part, name, EXR_PIXEL_FLOAT, EXR_PERCEPTUALLY_LOGARITHMIC, 1, 1), sink, shown);
        const std::string date = CaptureDate();
        if (!date.empty()) Check(exr_attr_set_string(ctxt, part, "capDate", date.c_str()), sink, shown);
        Check(exr_write_header(ctxt), sink, shown);
        const bool zip = method == EXR_COMPRESSION_ZIP || method == EXR_COMPRESSION_ZIPS;
        WriteBlocks(ctxt, sink, image, data, zip ? DeflateLevel(compression.level) : 0, shown);
        Check(exr_finish(&context.ctxt), sink, shown);
    }
    const int fd = sink.fd;
    sink.fd = -1;
    if (::close(fd) != 0) throw SceneError(shown + ": cannot write the image: " + std::strerror(errno));
}

}  // namespace morvel::cli
