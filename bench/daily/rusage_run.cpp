// Runs a program and writes its exit status, CPU time (user + system, in
// seconds) and peak resident memory (KiB) to a report file.
//
// The child is made by fork() from this small process rather than by the
// measuring script itself: Linux carries the peak of the address space that
// exec replaces into the new program's figure, so a child forked (or
// vforked) from a Python process would report at least that Python
// process's own resident memory.
//
// usage: bench_daily_rusage REPORT_FILE PROGRAM [ARGS...]

#include <cerrno>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: bench_daily_rusage REPORT_FILE PROGRAM [ARGS...]\n", stderr);
        return 2;
    }
    pid_t child = ::fork();
    if (child < 0) {
        std::perror("fork");
        return 2;
    }
    if (child == 0) {
        ::execv(argv[2], argv + 2);
        std::perror(argv[2]);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    pid_t waited;
    while ((waited = ::wait4(child, &status, 0, &usage)) < 0 && errno == EINTR) {}
    if (waited != child) {
        std::perror("wait4");
        return 2;
    }
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::FILE* report = std::fopen(argv[1], "w");
    if (!report || std::fprintf(report, "%d %.6f %ld\n", code, cpu, usage.ru_maxrss) < 0 || std::fclose(report) != 0) {
        std::perror(argv[1]);
        return 2;
    }
    return 0;
}
