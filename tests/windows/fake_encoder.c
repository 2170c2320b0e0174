/* Stands in for ffmpeg and ffprobe in the Windows renderer's test under Wine
 * (copied as ffmpeg.exe and ffprobe.exe), so that the pipes, arguments and
 * exit statuses between krelan-render.exe and its helper programs are
 * checked without a Windows build of ffmpeg. The last argument is the video,
 * which must be an absolute path (a drive or a share): a relative one could
 * be read as a protocol by the real programs.
 *   as ffmpeg: standard input (the raw RGB frames) is copied into it; with
 *     KRELAN_FAKE_HANG set it instead writes encoder-started in the working
 *     folder and then waits, reading nothing, for ten minutes;
 *   as ffprobe: the number of whole 1920x1080 RGB frames in it is printed.
 * Built with -municode: the arguments arrive in UTF-16, so a name of any
 * script reaches the file calls as it is. */
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#define FRAME_BYTES (1920L * 1080L * 3L)

static int absolute(const wchar_t* path)
{
    return (path[0] && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) ||
           (path[0] == L'\\' && path[1] == L'\\');
}

static int probe(const wchar_t* path)
{
    FILE* video = _wfopen(path, L"rb");
    if (!video) return 1;
    long long bytes = 0;
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, video)) > 0;) bytes += (long long)n;
    fclose(video);
    printf("%lld\n", bytes / FRAME_BYTES);
    return bytes % FRAME_BYTES == 0 ? 0 : 1;
}

static int hang(void)
{
    FILE* started = fopen("encoder-started", "wb");
    if (started) fclose(started);
    Sleep(600 * 1000);
    return 0;
}

static int encode(const wchar_t* path)
{
    if (getenv("KRELAN_FAKE_HANG")) return hang();
    FILE* video = _wfopen(path, L"wb");
    if (!video) return 1;
    _setmode(_fileno(stdin), _O_BINARY);
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, stdin)) > 0;)
        if (fwrite(buffer, 1, n, video) != n) return 1;
    return fclose(video) == 0 ? 0 : 1;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) return 2;
    const wchar_t* path = argv[argc - 1];
    if (!absolute(path)) {
        fwprintf(stderr, L"fake encoder: %ls is not an absolute path\n", path);
        return 3;
    }
    return wcsstr(argv[0], L"ffprobe") ? probe(path) : encode(path);
}
