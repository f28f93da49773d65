// The floors a benchmark measures itself against in the same run: a STREAM-like loop
// that moves the same bytes as a pass (the memory bandwidth floor), and a tight
// multiply-add loop that does the same multiply-adds as a convolution (the compute
// floor). Each runs on every thread, as the passes do.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

namespace morvel::bench {

inline double secondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Reads `inputs` arrays of `bytes` each and writes one more (reading it first when
// readOutput): the traffic of a pass that reads that many layers and writes the
// output, without its arithmetic.
class TriadFloor {
public:
    TriadFloor(std::size_t bytes, int inputs, bool readOutput)
        : n_(bytes / sizeof(float)), readOutput_(readOutput), in_(inputs), out_(n_, 0.0f) {
        for (int k = 0; k < inputs; ++k) in_[k].assign(n_, 1e-3f * static_cast<float>(k + 1));
    }

    // Seconds for one pass over the bytes. Every array streams at once, as in a pass:
    // one array after another per chunk restarts the prefetchers at each page and
    // measured the float floor 1.7 times too slow, below the passes it should bound.
    double run() {
        switch (in_.size()) {
            case 2:
                return runWith<2>();
            case 6:
                return runWith<6>();
            default:
                return runWith<0>();
        }
    }

private:
    // K inputs fixed at compile time, so each is a stream of the one loop; 0 for any count.
    template <int K>
    double runWith() {
        const auto t0 = std::chrono::steady_clock::now();
        float* out = out_.data();
        const long n = static_cast<long>(n_);
        const int k = K > 0 ? K : static_cast<int>(in_.size());
        const float keep = readOutput_ ? 0.5f : 0.0f;
        std::vector<const float*> in(in_.size());
        for (int i = 0; i < k; ++i) in[i] = in_[i].data();
        const float* const* src = in.data();
#pragma omp parallel for schedule(static)
        for (long i = 0; i < n; ++i) {
            float sum = readOutput_ ? out[i] * keep : 0.0f;
            for (int j = 0; j < k; ++j) sum += src[j][i];
            out[i] = sum;
        }
        return secondsSince(t0);
    }

    std::size_t n_;
    bool readOutput_;
    std::vector<std::vector<float>> in_;
    std::vector<float> out_;
};

// Seconds for `madds` multiply-adds at the machine's best rate, on every thread.
double multiplyAddFloor(double madds);

}  // namespace morvel::bench
