// What krelan-render does to the files around its outputs when things go
// wrong: a full disk, an ffmpeg that lies or hangs, links and devices in the
// output's place, names ffmpeg could read as a protocol, interruptions,
// unwritable standard output.
#include "commands.h"
#include "output_file.h"
#include "render_harness.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool mentions(const RunResult& r, const std::string& text)
{
    return r.output.find(text) != std::string::npos;
}

// An executable `name` in `dir` running the shell `body`.
void put_script(const std::string& dir, const std::string& name, const std::string& body)
{
    mkdir(dir.c_str(), 0755);
    const std::string path = dir + "/" + name;
    put_file(path, "#!/bin/sh\n" + body + "\n");
    chmod(path.c_str(), 0755);
}

// A shell line with krelan-render as $R; its exit status.
int shell_status(const std::string& line)
{
    const std::string command = "R='" + std::string(KRELAN_RENDER) + "'; " + line;
    const int raw = std::system(command.c_str());
    return raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

const std::vector<std::string> k_two_frames = {"show",  "--from", "100", "--to",
                                               "100.3", "--fps",  "10",  "--video"};

std::vector<std::string> with(std::vector<std::string> args, const std::string& last)
{
    args.push_back(last);
    return args;
}

bool have_ffmpeg()
{
    return system("command -v ffmpeg > /dev/null && command -v ffprobe > /dev/null") == 0;
}

// The pid the fake encoder wrote into `file` once it started, or 0 after
// `seconds` without it.
pid_t wait_for_pid(const std::string& file, int seconds)
{
    for (int i = 0; i < seconds * 10; ++i) {
        pid_t pid = 0;
        std::ifstream(file) >> pid;
        if (pid > 0) return pid;
        usleep(100000);
    }
    return 0;
}

bool running(pid_t pid) { return kill(pid, 0) == 0 || errno != ESRCH; }

}  // namespace

TEST(RenderOutputFiles, FfmpegThatSucceedsWithoutAPlayableVideoKeepsTheOldOne)
{
    ScratchDir dir;
    const std::string video = dir.file("v.mp4");
    put_file(video, "the good video");
    const std::string fake_path = "PATH=" + dir.file("bin") + ":/usr/bin:/bin";
    // Writes nothing, then writes garbage; both exit 0.
    for (const char* body : {"cat > /dev/null; exit 0",
                             "cat > /dev/null; for a; do last=$a; done; echo junk > \"$last\""}) {
        put_script(dir.file("bin"), "ffmpeg", body);
        RunResult r = run_render(with(k_two_frames, video), fake_path);
        EXPECT_EQ(r.status, 1) << body;
        EXPECT_TRUE(mentions(r, "did not write a playable video")) << r.output;
        EXPECT_EQ(file_bytes(video), "the good video");
        EXPECT_EQ(dir.entries().size(), 2u) << "temporary files left beside the video";
    }
}

TEST(RenderOutputFiles, OutputNamedLikeAProtocolIsWrittenAsAFile)
{
    if (!have_ffmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    ScratchDir dir;
    // A folder "pipe:" in the working folder: ffmpeg given "pipe:/..." would
    // send the video to standard output, and ffprobe read its standard input.
    ASSERT_EQ(mkdir(dir.file("pipe:").c_str(), 0755), 0);
    const std::string out = dir.file("stdout");
    const int status = shell_status("cd '" + dir.path + "' && \"$R\" show --from 100 --to 100.3 " +
                                    "--fps 10 --video pipe:/v.mkv > '" + out + "' 2> /dev/null");
    EXPECT_EQ(status, 0);
    EXPECT_GT(file_bytes(dir.file("pipe:/v.mkv")).size(), 1000u);
    EXPECT_EQ(file_bytes(out).size(), 0u) << "the video went to standard output";
}

TEST(RenderOutputFiles, FolderOrPlainFileOfTheEncodersNameOnPathIsPassedOver)
{
    if (!have_ffmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    ScratchDir dir;
    // Ahead of the real ones on PATH: a folder "ffmpeg" and a non-executable "ffprobe".
    ASSERT_EQ(mkdir(dir.file("bin").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(dir.file("bin/ffmpeg").c_str(), 0755), 0);
    put_file(dir.file("bin/ffprobe"), "#!/bin/sh\nexit 1\n");
    const char* path = std::getenv("PATH");
    RunResult r = run_render(with(k_two_frames, dir.file("v.mp4")),
                             "PATH='" + dir.file("bin") + ":" + (path ? path : "/usr/bin") + "'");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_GT(file_bytes(dir.file("v.mp4")).size(), 1000u);
}

TEST(RenderOutputFiles, HungEncoderIsStoppedAfterATimeoutOrAnInterrupt)
{
    ScratchDir dir, tmp, out;
    // Takes none of the frames and never ends; exec keeps the pid the one
    // the renderer started.
    put_script(dir.file("bin"), "ffmpeg", "echo $$ > '" + dir.file("pid") + "'; exec sleep 600");
    put_script(dir.file("bin"), "ffprobe", "exit 1");
    // Bounded even if the renderer hangs: killed after 120 s (status 137).
    const std::string run = "PATH='" + dir.file("bin") + ":/usr/bin:/bin' TMPDIR='" + tmp.path +
                            "' timeout -s KILL 120 \"$R\" show --from 100 --to 100.3 --fps 10 " +
                            "--video '" + out.file("v.mp4") + "' 2> '" + dir.file("err") +
                            "' & pid=$!; ";

    // SIGINT while the encoder hangs: status 130 as ever, and now no child left.
    int status = shell_status(run + "until [ -s '" + dir.file("pid") +
                              "' ]; do sleep 0.1; done; sleep 1; kill -INT $pid; wait $pid");
    pid_t child = wait_for_pid(dir.file("pid"), 1);
    EXPECT_EQ(status, 128 + SIGINT) << file_bytes(dir.file("err"));
    ASSERT_GT(child, 0);
    EXPECT_FALSE(running(child)) << "the hung encoder outlived the renderer";
    EXPECT_TRUE(tmp.entries().empty());
    EXPECT_TRUE(out.entries().empty());

    // Left alone: the renderer gives up after 30 s with a message naming the encoder.
    std::remove(dir.file("pid").c_str());
    status = shell_status(run + "wait $pid");
    child = wait_for_pid(dir.file("pid"), 1);
    EXPECT_EQ(status, 1) << file_bytes(dir.file("err"));
    EXPECT_NE(file_bytes(dir.file("err")).find("bin/ffmpeg took no frame data for 30 s"),
              std::string::npos)
        << file_bytes(dir.file("err"));
    ASSERT_GT(child, 0);
    EXPECT_FALSE(running(child)) << "the hung encoder outlived the renderer";
    EXPECT_TRUE(tmp.entries().empty());
    EXPECT_TRUE(out.entries().empty());
}

TEST(RenderOutputFiles, VideoOnAFullDiskFailsAndKeepsTheOldOne)
{
    if (system("command -v ffmpeg > /dev/null") != 0) GTEST_SKIP() << "ffmpeg is not installed";
    ScratchDir dir;
    const std::string disk = dir.file("full");
    mkdir(disk.c_str(), 0755);
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=24k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs CAP_SYS_ADMIN)";
    put_file(disk + "/v.mp4", "the good video");
    RunResult r = run_render(with(k_two_frames, disk + "/v.mp4"));
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_TRUE(mentions(r, "did not write a playable video")) << r.output;
    // The two frames take about 30 KB: the disk fills while ffmpeg writes.
    EXPECT_TRUE(file_bytes(disk + "/v.mp4") == "the good video");
    umount(disk.c_str());
}

TEST(RenderOutputFiles, TemporaryIsUnpredictableAndALinkInItsPlaceIsNotFollowed)
{
    ScratchDir dir;
    const std::string out = dir.file("out.png"), victim = dir.file("victim");
    put_file(victim, "not yours");
    std::string error;
    const mode_t old_mask = umask(022);
    const std::string a = reserve_output(out, &error), b = reserve_output(out, &error);
    umask(old_mask);
    ASSERT_FALSE(a.empty()) << error;
    EXPECT_NE(a, b);
    EXPECT_EQ(a.rfind(dir.path + "/.", 0), 0u) << a;
    // Made exclusively, yet with the permissions of an ordinary new file.
    struct stat st;
    ASSERT_EQ(stat(b.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    // A link swapped in for the temporary file: the write fails, the target stays.
    unlink(a.c_str());
    ASSERT_EQ(symlink(victim.c_str(), a.c_str()), 0);
    EXPECT_FALSE(commit_output_bytes(a, out, "new bytes", &error));
    EXPECT_EQ(file_bytes(victim), "not yours");
    EXPECT_FALSE(file_exists(out));
    discard_outputs();
}

TEST(RenderOutputFiles, OutputThatIsNotARegularFileIsRefused)
{
    ScratchDir dir;
    const std::string fifo = dir.file("pipe.png");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    RunResult r = run_render({"pass", "card", "--beat", "0", "--out", fifo});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(mentions(r, "it is a FIFO, not a regular file")) << r.output;
    struct stat st;
    EXPECT_TRUE(stat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_EQ(dir.entries().size(), 1u);
}

TEST(RenderOutputFiles, LongestValidNameWorks)
{
    ScratchDir dir;
    const std::string out = dir.file(std::string(251, 'a') + ".png");  // 255 bytes
    RunResult r = run_render({"pass", "card", "--beat", "0", "--out", out});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(file_exists(out));
    EXPECT_EQ(dir.entries().size(), 1u);
}

TEST(RenderOutputFiles, InterruptedMixLeavesNoScratchFileInTmpdir)
{
    ScratchDir dir, tmp;
    const std::string out = dir.file("a.wav");
    // Interrupted as soon as the scratch file appears in TMPDIR.
    const int status = shell_status(
        "TMPDIR='" + tmp.path + "' \"$R\" audio --out '" + out + "' & pid=$!; " +
        "for i in $(seq 200); do ls '" + tmp.path + "' | grep -q . && break; sleep 0.02; done; " +
        "ls '" + tmp.path + "' | grep -q '\\.raw$' || exit 9; kill -TERM $pid; wait $pid");
    EXPECT_EQ(status, 128 + SIGTERM) << "9: no scratch file appeared in TMPDIR";
    EXPECT_TRUE(tmp.entries().empty());
    EXPECT_TRUE(dir.entries().empty());
}

TEST(RenderOutputFiles, FailedWriteToTheScratchFileIsAnErrorNotASlowMix)
{
    ScratchDir dir;
    // A 2 MB file-size limit stops the scratch file long before the track's end.
    const double start = now_seconds();
    const int status =
        shell_status("ulimit -f 2000; TMPDIR='" + dir.path + "' \"$R\" audio --out '" +
                     dir.file("a.wav") + "' 2> '" + dir.file("err") + "'");
    EXPECT_EQ(status, 1);
    EXPECT_LT(now_seconds() - start, 20.0);
    EXPECT_NE(file_bytes(dir.file("err")).find("cannot write the mixer's scratch file"),
              std::string::npos)
        << file_bytes(dir.file("err"));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"err"});
}

TEST(RenderOutputFiles, UnwritableStandardOutputFails)
{
    // Every command's standard output goes through the same check (bench --json too).
    EXPECT_EQ(shell_status("\"$R\" frame --help > /dev/full 2> /dev/null"), 1);
}
