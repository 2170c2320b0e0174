// Records a sound server's output as it arrives: copies standard input (raw
// 48 kHz 16-bit stereo from `parec`) to RECORDING and writes one line
// "TIME_NS FRAMES" to READS per read, the monotonic time of the read and the
// frames read so far. The lower envelope of time - frames / rate over these
// lines gives each frame's arrival (kick_offsets does that).
// Usage: parec ... | monitor_stamps RECORDING READS
//        monitor_stamps --now     prints the monotonic clock's time in ns
#include <chrono>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

long long now_ns()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "--now") {
        std::printf("%lld\n", now_ns());
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: monitor_stamps RECORDING READS\n");
        return 2;
    }
    FILE* recording = std::fopen(argv[1], "wb");
    FILE* reads = std::fopen(argv[2], "w");
    if (!recording || !reads) {
        std::perror("monitor_stamps");
        return 1;
    }
    char buffer[4096];
    long long bytes = 0;
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) break;
        const long long now = now_ns();
        std::fwrite(buffer, 1, size_t(n), recording);
        bytes += n;
        std::fprintf(reads, "%lld %lld\n", now, bytes / 4);
    }
    std::fclose(recording);
    return std::fclose(reads) == 0 ? 0 : 1;
}
