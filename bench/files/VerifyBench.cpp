// drumo-cli verify of the two files that used to be read whole: a notebook file (".dmn") of about
// 190 MB and a headerless ".dmr" of about 300 MB, each run as its own process so that its
// resident memory is its own; and the notebook read into its table, as the notebook window does.
// Prints wall and processor seconds, resident memory against the file, and `cat` on the same file.
//
//   files_verify_bench [records] [sensor-lines] [folder]   (defaults 150000, 12000000 and /tmp)

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/SafeFile.h"
#include "notebook/NotebookFile.h"

namespace {

using Wall = std::chrono::steady_clock;

double Mb(double bytes) { return bytes / 1e6; }

long FileBytes(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

struct Run {
    int Status = -1;
    double Wall = 0, Cpu = 0;
    long MaxRssKb = 0;
};

// Runs a program and waits for it: its exit status, wall time, processor time and peak memory.
Run Measure(const std::vector<std::string>& argv) {
    Run run;
    const auto t0 = Wall::now();
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) std::exit(1);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    run.Wall = std::chrono::duration<double>(Wall::now() - t0).count();
    run.Cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    run.MaxRssKb = usage.ru_maxrss;
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// This process's peak resident memory.
long PeakKb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double CatSeconds(const std::string& path) {
    return Measure({"/bin/sh", "-c", "cat '" + path + "' > /dev/null"}).Wall;
}

void Report(const char* what, const std::string& path, const Run& r) {
    const double mb = Mb(FileBytes(path));
    const double cat = CatSeconds(path);
    std::printf("%s: %.1f MB, exit %d\n", what, mb, r.Status);
    std::printf("  wall %.2f s (%.0f MB/s), processor %.2f s; cat in the same run %.2f s (%.0f MB/s)\n", r.Wall,
                mb / r.Wall, r.Cpu, cat, mb / cat);
    std::printf("  resident %.1f MB (%.2fx the file)\n", r.MaxRssKb / 1e3, r.MaxRssKb * 1e3 / (mb * 1e6));
}

// A notebook of `records` records of 100 sensors, written by the program's own writer.
void WriteNotebook(const std::string& path, int records) {
    using namespace drumo;
    NotebookTable table;
    table.ReserveRows(3 * records + 3);  // rows handed out stay where they are
    for (int k = 0; k < records; ++k) {
        NoteRow& a = table.Row(NotebookTable::RowA(k));
        NoteRow& b = table.Row(NotebookTable::RowB(k));
        a.Add("n" + std::to_string(k + 1));
        a.Add("05.12.2017");
        a.Add("SNтк: [ " + std::to_string(k % 7 - 3) + " ]");
        a.Add("L, м");
        b.Add("");
        b.Add("14:30:00");
        b.Add("датчиков:  100");
        b.Add("T, °C");
        for (int s = 0; s < 100; ++s) {
            a.Add(std::to_string(s / 2) + "." + std::to_string(s % 2 * 5));
            b.Add(std::to_string((k * 7 + s * 13) % 4000 / 100 - 15) + "." + std::to_string((k + s) % 100));
        }
    }
    table.EnsureColumns(104);
    table.SetRowCount(3 * records);
    if (WriteNotebookFile(path, table, "Dorma-1/100 SN:01001", "1.0.0.1", 45000.5) != NotebookWrite::Ok) std::exit(1);
}

// A headerless ".dmr": 100 sensors, `lines` sensor lines in all, sensor by sensor.
void WriteNumericDmr(const std::string& path, long lines) {
    drumo::SafeFileWriter out;
    if (!out.Open(path)) std::exit(1);
    const long samples = lines / 100;
    out.Write("100 77 4321 1\r\n");
    std::string text;
    char buf[96];
    for (int s = 1; s <= 100; ++s) {
        for (long k = 0; k < samples; ++k) {
            const long x = k * 7919L + s * 13;
            const int n = std::snprintf(buf, sizeof buf, "%d %.1f %.5f %.2f\r\n", s, s * 0.5, 45000 + k / 4320.0,
                                        x % 1000 == 0 ? 1000.0 : -15 + (x % 4000) / 100.0);
            text.append(buf, static_cast<size_t>(n));
        }
        out.Write(text);
        text.clear();
    }
    if (!out.Commit()) std::exit(1);
}

// Runs `work` in a child process, so that the memory it takes never counts for this one, whose
// children's peak memory must be their own.
template <typename F>
void InChild(F&& work) {
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        work();
        std::fflush(stdout);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    const int records = argc > 1 ? std::atoi(argv[1]) : 150000;
    const long lines = argc > 2 ? std::atol(argv[2]) : 12000000;
    const std::string folder = argc > 3 ? argv[3] : "/tmp";
    const std::string cli = DRUMO_CLI;
    const std::string dmn = folder + "/drumo-bench-" + std::to_string(::getpid()) + ".dmn";
    const std::string dmr = folder + "/drumo-bench-" + std::to_string(::getpid()) + ".dmr";

    double load[3] = {0, 0, 0};
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf %lf %lf", &load[0], &load[1], &load[2]) != 3) load[0] = load[1] = load[2] = 0;
        std::fclose(f);
    }
    std::printf("machine load (1, 5, 15 minutes): %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    InChild([&] { WriteNotebook(dmn, records); });
    CatSeconds(dmn);  // warm the cache
    Report("drumo-cli verify, notebook", dmn, Measure({cli, "verify", dmn}));
    InChild([&] {
        const double mb = Mb(FileBytes(dmn));
        drumo::NotebookTable table;
        const auto t0 = Wall::now();
        const double cpu0 = CpuSeconds();
        const auto r = drumo::ReadNotebookFile(dmn, '.', table);
        const double s = std::chrono::duration<double>(Wall::now() - t0).count();
        const double cpu = CpuSeconds() - cpu0;
        std::printf("notebook read into its table (the window's load): wall %.2f s, processor %.2f s (%.0f MB/s), "
                    "%d records, peak resident %.1f MB (%.2fx the file)\n",
                    s, cpu, mb / cpu, r.Records, PeakKb() / 1e3, PeakKb() * 1e3 / (mb * 1e6));
    });
    ::unlink(dmn.c_str());

    InChild([&] { WriteNumericDmr(dmr, lines); });
    CatSeconds(dmr);
    Report("drumo-cli verify, headerless .dmr", dmr, Measure({cli, "verify", dmr}));
    ::unlink(dmr.c_str());
    return 0;
}
