// Compressing and decompressing a 100 MB binary value through the program's stored format
// (header, compressor stream, decompressor stream, growing value buffer) compared, in the same
// run and at the same level, with raw zlib deflate/inflate called in a loop over 64 KiB blocks
// of the same data. Each side runs several rounds alternately and the best round counts, so a
// busy machine disturbs both alike. Memory is the peak resident size while the program's path
// runs, less what the process held before the value existed, against the value's size.
//
// Usage: blob_compression_bench [megabytes] [rounds]

#include "dbcore/blob_format.h"
#include "dbcore/compression_streams.h"
#include "foundation/memory_lock_bytes.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <time.h>
#include <vector>
#include <zlib.h>

using namespace kx;

namespace {

constexpr std::uint32_t kBlock = 65536;

// Seconds of this thread's processor time. The machine the benchmarks share is often
// oversubscribed; wall time then measures the neighbours more than the code.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

class TTimer {
public:
    TTimer() { m_wall.start(); }
    double Cpu() const { return ThreadSeconds() - m_cpu; }
    double Wall() const { return double(m_wall.nsecsElapsed()) / 1e9; }

private:
    QElapsedTimer m_wall;
    double m_cpu = ThreadSeconds();
};

struct TTimes {
    double cpu = 1e9;
    double wall = 1e9;
    void Take(const TTimer& timer) {
        cpu = std::min(cpu, timer.Cpu());
        wall = std::min(wall, timer.Wall());
    }
};

// Resident sizes from /proc: the peak since the last reset, and the reset itself.
long StatusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + std::strlen(key));
    return -1;
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Text-like data: records of words, numbers, dates and identifiers with some markup, the
// kind of documents users store compressed. Deterministic, so every round sees the same.
KxIntf<TKxMemoryLockBytes> MakeValue(std::uint64_t size, std::uint32_t& crc) {
    static const char* const words[] = {
        "customer", "order",  "invoice", "Querolt",  "shipping", "amount", "total",  "Berlin",
        "Hamburg",  "London", "status",  "open",     "closed",   "paid",   "remark", "the",
        "and",      "of",     "with",    "delivery", "address",  "street", "item",   "quantity"};
    auto value = KxMake<TKxMemoryLockBytes>(1, size);
    std::string line;
    unsigned state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return state >> 8;
    };
    std::uint64_t offset = 0;
    crc = crc32(0L, Z_NULL, 0);
    while (offset < size) {
        line.clear();
        line += "<row id=\"";
        line += std::to_string(offset / 64);
        line += "\">";
        const unsigned fields = 4 + next() % 8;
        for (unsigned f = 0; f < fields; ++f) {
            switch (next() % 4) {
            case 0:
                line += words[next() % 24];
                break;
            case 1:
                line += std::to_string(next() % 100000);
                break;
            case 2:
                line += "20";
                line += std::to_string(10 + next() % 15);
                line += "-0";
                line += char('1' + next() % 9);
                line += "-1";
                line += char('0' + next() % 10);
                break;
            default:
                line += char('A' + next() % 26);
                line += std::to_string(next() % 997);
                break;
            }
            line += f + 1 < fields ? ';' : ' ';
        }
        line += "</row>\r\n";
        const auto part =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(line.size(), size - offset));
        std::uint32_t done = 0;
        value->WriteAt(offset, line.data(), part, &done);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(line.data()), part);
        offset += part;
    }
    return value;
}

const Bytef* DataOf(const TKxMemoryLockBytes& bytes) {
    return static_cast<const Bytef*>(bytes.GetData());
}

// Raw zlib: deflate over 64 KiB input blocks into one output block of deflateBound's size.
void RawDeflate(const TKxMemoryLockBytes& value, int level, TTimes& times,
                std::uint64_t& compressed) {
    TTimer timer;
    z_stream zs{};
    deflateInit(&zs, level);
    std::vector<Bytef> out(deflateBound(&zs, uLong(value.GetDataSize())));
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    const Bytef* in = DataOf(value);
    for (std::uint64_t offset = 0, size = value.GetDataSize(); offset < size; offset += kBlock) {
        zs.next_in = const_cast<Bytef*>(in + offset);
        zs.avail_in = uInt(std::min<std::uint64_t>(kBlock, size - offset));
        while (zs.avail_in > 0)
            deflate(&zs, Z_NO_FLUSH);
    }
    while (deflate(&zs, Z_FINISH) != Z_STREAM_END) {
    }
    compressed = zs.total_out;
    deflateEnd(&zs);
    times.Take(timer);
}

// Raw zlib: inflate over 64 KiB input blocks into an output of the (known) final size.
std::uint32_t RawInflate(const TKxMemoryLockBytes& stored, std::uint64_t valueSize, TTimes& times) {
    TTimer timer;
    std::vector<Bytef> out(valueSize);
    z_stream zs{};
    inflateInit(&zs);
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    const Bytef* in = DataOf(stored) + kxCompressedBlobHeaderSize;
    const std::uint64_t size = stored.GetDataSize() - kxCompressedBlobHeaderSize;
    int result = Z_OK;
    for (std::uint64_t offset = 0; offset < size && result != Z_STREAM_END; offset += kBlock) {
        zs.next_in = const_cast<Bytef*>(in + offset);
        zs.avail_in = uInt(std::min<std::uint64_t>(kBlock, size - offset));
        while (zs.avail_in > 0 && result != Z_STREAM_END)
            result = inflate(&zs, Z_NO_FLUSH);
    }
    inflateEnd(&zs);
    times.Take(timer);
    return crc32(crc32(0L, Z_NULL, 0), out.data(), uInt(zs.total_out));
}

void PrintRatio(const char* what, double mb, const TTimes& raw, const TTimes& streams) {
    std::printf("  %-10s raw zlib %6.1f MB/s   streams %6.1f MB/s   ratio %.3f"
                "   (wall: %6.1f / %6.1f MB/s, ratio %.3f)\n",
                what, mb / raw.cpu, mb / streams.cpu, raw.cpu / streams.cpu, mb / raw.wall,
                mb / streams.wall, raw.wall / streams.wall);
}

} // namespace

int main(int argc, char** argv) {
    const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    if (megabytes == 0 || rounds < 1) {
        std::fprintf(stderr, "usage: blob_compression_bench [megabytes > 0] [rounds > 0]\n");
        return 2;
    }
    const std::uint64_t size = megabytes * 1024 * 1024;
    const double mb = double(size) / (1024.0 * 1024.0);
    const double valueKiB = double(size) / 1024.0;
    const long baseKiB = StatusKiB("VmRSS:");
    std::printf("value: %.0f MB of text-like data, %d rounds, best round counts; throughput\n"
                "from thread processor time (wall-clock figures in parentheses)\n",
                mb, rounds);

    for (TKxCompressionType type : {ctFastest, ctMedium}) {
        const int level = KxCompressionLevel(type);
        TTimes rawDeflate, rawInflate, streamDeflate, streamInflate;
        long deflatePeak = 0, inflatePeak = 0;
        std::uint64_t compressed = 0, stored = 0;
        bool intact = true;
        for (int round = 0; round < rounds; ++round) {
            std::uint32_t crc = 0;
            auto value = MakeValue(size, crc);
            RawDeflate(*value, level, rawDeflate, compressed);

            auto storedBytes = KxMake<TKxMemoryLockBytes>();
            ResetPeak();
            {
                TTimer timer;
                TKxLockBytesStream source{KxIntf<ILockBytes>(value)};
                TKxLockBytesStream destination{KxIntf<ILockBytes>(storedBytes)};
                stored = std::uint64_t(KxWriteCompressedBlob(source, destination, type));
                streamDeflate.Take(timer);
            }
            deflatePeak = std::max(deflatePeak, StatusKiB("VmHWM:") - baseKiB);
            value.reset(); // only the stored form exists from here on

            const std::uint32_t rawCrc = RawInflate(*storedBytes, size, rawInflate);

            auto restored = KxMake<TKxMemoryLockBytes>();
            ResetPeak();
            {
                TTimer timer;
                KxReadStoredBlob(storedBytes.get(), restored.get());
                streamInflate.Take(timer);
            }
            inflatePeak = std::max(inflatePeak, StatusKiB("VmHWM:") - baseKiB);
            intact = intact && rawCrc == crc && restored->GetDataSize() == size &&
                     crc32(crc32(0L, Z_NULL, 0), DataOf(*restored), uInt(size)) == crc;
        }
        std::printf("\n%s (zlib level %d): stored %.1f MB (raw zlib body %.1f MB + 24), data %s\n",
                    KxCompressionTypeName(type).toUtf8().constData(), level,
                    double(stored) / (1024.0 * 1024.0), double(compressed) / (1024.0 * 1024.0),
                    intact ? "intact" : "DIFFERENT");
        PrintRatio("compress", mb, rawDeflate, streamDeflate);
        PrintRatio("decompress", mb, rawInflate, streamInflate);
        std::printf("  peak memory while compressing   %4.0f MB = %.2f x value (value + stored)\n",
                    double(deflatePeak) / 1024.0, double(deflatePeak) / valueKiB);
        std::printf("  peak memory while decompressing %4.0f MB = %.2f x value (stored + value)\n",
                    double(inflatePeak) / 1024.0, double(inflatePeak) / valueKiB);
    }
    return 0;
}
