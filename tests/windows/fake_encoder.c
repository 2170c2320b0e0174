/* Stands in for ffmpeg and ffprobe in the Windows renderer's test under Wine
 * (copied as ffmpeg.exe and ffprobe.exe), so that the pipes, arguments and
 * exit statuses between krelan-render.exe and its helper programs are
 * checked without a Windows build of ffmpeg. The last argument is the video:
 *   as ffmpeg: standard input (the raw RGB frames) is copied into it;
 *   as ffprobe: the number of whole 1920x1080 RGB frames in it is printed. */
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>

#define FRAME_BYTES (1920L * 1080L * 3L)

static int probe(const char* path)
{
    FILE* video = fopen(path, "rb");
    if (!video) return 1;
    long long bytes = 0;
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, video)) > 0;) bytes += (long long)n;
    fclose(video);
    printf("%lld\n", bytes / FRAME_BYTES);
    return bytes % FRAME_BYTES == 0 ? 0 : 1;
}

static int encode(const char* path)
{
    FILE* video = fopen(path, "wb");
    if (!video) return 1;
    _setmode(_fileno(stdin), _O_BINARY);
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, stdin)) > 0;)
        if (fwrite(buffer, 1, n, video) != n) return 1;
    return fclose(video) == 0 ? 0 : 1;
}

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    return strstr(argv[0], "ffprobe") ? probe(argv[argc - 1]) : encode(argv[argc - 1]);
}
