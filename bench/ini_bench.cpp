// Speed of the INI engine on large files: load (from memory and from a
// file), lookups, and write, for 1 MiB and 16 MiB of settings-like text.
// The baseline is measured in the same run on the same text: it only splits
// the text into lines by the parser's line rule, which is the least any
// reader must do. Every figure is the best of several repetitions: on a
// shared machine the other processes only ever add time, so the least time
// is the steadiest estimate of the work itself.
//
// Each size runs twice. "cold": the C library hands the freed memory of
// one load back to the system, so the next load touches fresh pages again,
// as the first load of a process does; a document takes some 300 bytes per
// line (the fixed 256-byte names), so page faults weigh heavily where they
// are slow, as in a virtual machine. "warm": the allocator is told to keep
// its memory, which leaves the engine's own work.
//   ini_bench [folder for the files, default /tmp]
#include <malloc.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "ini/ini.h"

namespace {

// CPU time of this thread, system time (page faults) included: unlike the
// wall clock it does not count the time other processes of a shared
// machine take, nor the waits for the disk.
double now_ms() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

double best(const std::vector<double> &v) {
    return *std::min_element(v.begin(), v.end());
}

// Sections of a dozen keys with a comment and an empty line each, values of
// the lengths settings have: numbers, quoted titles, short texts.
std::string make_text(size_t target, int *sections, int *keys_per_section) {
    std::string text;
    char line[256];
    int s = 0;
    const int keys = 12;
    while (text.size() < target) {
        snprintf(line, sizeof line, "[Section%05d]\r\n# settings of window %d\r\n", s, s);
        text += line;
        for (int k = 0; k < keys; ++k) {
            switch (k % 3) {
                case 0:
                    snprintf(line, sizeof line, "Key%02d=%d\r\n", k, s * 37 + k);
                    break;
                case 1:
                    snprintf(line, sizeof line, "Key%02d = \"Chat room %d - Lobby %d\"\r\n", k, s,
                             k);
                    break;
                default:
                    snprintf(line, sizeof line, "Key%02d=text value %d.%d\r\n", k, k, s);
                    break;
            }
            text += line;
        }
        text += "\r\n";
        ++s;
    }
    *sections = s;
    *keys_per_section = keys;
    return text;
}

volatile size_t g_sink;

// The baseline: the lines of the text, by the same rule the parser uses (a
// line ends at CR or LF, a run of them is skipped), each line's start and
// length recorded.
void split_lines(const char *data, size_t size, std::vector<std::pair<size_t, size_t>> &lines) {
    lines.clear();
    size_t p = 0;
    while (p < size && data[p]) {
        size_t start = p;
        while (p < size && data[p] != '\r' && data[p] != '\n') ++p;
        lines.emplace_back(start, p - start);
        while (p < size && (data[p] == '\r' || data[p] == '\n')) ++p;
    }
    g_sink = g_sink + lines.size();
}

struct Result {
    const char *label;
    const char *mode;
    double base, parse, read_split, load;
};
std::vector<Result> g_results;

void run(const char *label, const char *mode, size_t target, const std::string &folder, int reps) {
    int sections = 0, keys = 0;
    std::string text = make_text(target, &sections, &keys);
    std::string path = folder + "/ini_bench_" + std::to_string(target) + ".ini";
    FILE *f = fopen(path.c_str(), "wb");
    if (!f || fwrite(text.data(), 1, text.size(), f) != text.size() || fclose(f) != 0) {
        fprintf(stderr, "cannot write %s\n", path.c_str());
        exit(1);
    }
    std::vector<std::pair<size_t, size_t>> lines;
    lines.reserve(text.size() / 16);
    std::vector<double> split, parse, read_split, load, free_t, lookup, build, write;
    char out[256];
    for (int r = 0; r < reps; ++r) {
        double t0 = now_ms();
        split_lines(text.data(), text.size(), lines);
        double t1 = now_ms();
        if (!ini_load_buffer(text.data(), text.size()))
            exit(1);
        double t2 = now_ms();
        ini_free();
        double t3 = now_ms();
        split.push_back(t1 - t0);
        parse.push_back(t2 - t1);
        free_t.push_back(t3 - t2);

        // From the file: the read is common to both.
        t0 = now_ms();
        char *data;
        size_t size;
        if (!plat_read_file(path.c_str(), &data, &size))
            exit(1);
        split_lines(data, size, lines);
        plat_free(data);
        t1 = now_ms();
        if (!ini_load(path.c_str(), 1))
            exit(1);
        t2 = now_ms();
        read_split.push_back(t1 - t0);
        load.push_back(t2 - t1);

        // Lookups spread over the whole document, hits and misses.
        const int n = 200;
        t0 = now_ms();
        for (int i = 0; i < n; ++i) {
            char section[32], key[16];
            int s = (int)((long long)i * 7919 % sections);
            snprintf(section, sizeof section, "section%05d", s);
            snprintf(key, sizeof key, "KEY%02d", i % (keys + 1));  // one in 13 misses
            g_sink = g_sink + (size_t)ini_get_string(section, key, "", out, sizeof out);
        }
        t1 = now_ms();
        lookup.push_back((t1 - t0) * 1000.0 / n);  // microseconds each

        t0 = now_ms();
        char *built = ini_build_text(&size);
        t1 = now_ms();
        // A third of the keys had a blank before "=", which the writer drops.
        if (!built || size != text.size() - (size_t)sections * (keys / 3)) {
            fprintf(stderr, "unexpected text size %zu\n", size);
            exit(1);
        }
        plat_free(built);
        if (!ini_write(path.c_str()))
            exit(1);
        t2 = now_ms();
        ini_free();
        build.push_back(t1 - t0);
        write.push_back(t2 - t1);

        // Put the original text back for the next round's file load.
        f = fopen(path.c_str(), "wb");
        if (!f || fwrite(text.data(), 1, text.size(), f) != text.size() || fclose(f) != 0)
            exit(1);
    }
    unlink(path.c_str());

    double base = best(split), rb = best(read_split);
    g_results.push_back({label, mode, base, best(parse), rb, best(load)});
    printf("%s, %s: %zu bytes, %zu lines, %d sections\n", label, mode, text.size(), lines.size(),
           sections);
    printf("  baseline split      %8.2f ms\n", base);
    printf("  load from memory    %8.2f ms  = %.2f x baseline\n", best(parse), best(parse) / base);
    printf("  free                %8.2f ms\n", best(free_t));
    printf("  read + split        %8.2f ms\n", rb);
    printf("  load from file      %8.2f ms  = %.2f x read + split\n", best(load), best(load) / rb);
    printf("  lookup              %8.2f us each (linear over %d sections)\n", best(lookup),
           sections);
    printf("  build text          %8.2f ms\n", best(build));
    printf("  write file  %8.2f ms\n", best(write));
}

}  // namespace

int main(int argc, char **argv) {
    std::string folder = argc > 1 ? argv[1] : "/tmp";
    run("1 MiB", "cold", 1 << 20, folder, 25);
    run("16 MiB", "cold", 16 << 20, folder, 7);
    // Keep freed memory in the process instead of returning it.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    run("1 MiB", "warm", 1 << 20, folder, 25);
    run("16 MiB", "warm", 16 << 20, folder, 7);

    printf("\nload against the baseline (target: within 4x)\n");
    printf("  %-7s %-5s %10s %10s %7s %12s %10s %7s\n", "size", "mode", "split ms", "load ms",
           "ratio", "read+split", "file load", "ratio");
    for (const Result &r : g_results)
        printf("  %-7s %-5s %10.2f %10.2f %6.2fx %12.2f %10.2f %6.2fx\n", r.label, r.mode, r.base,
               r.parse, r.parse / r.base, r.read_split, r.load, r.load / r.read_split);
    return 0;
}
