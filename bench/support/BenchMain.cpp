// The main of every benchmark executable: runs the benchmarks with the
// console reporter, then prints, for each case, the time ratio of our
// implementation ("<case>/quilbex") to each peer ("<case>/<peer>"). A ratio
// below 1 means ours is faster. CPU time, not wall time: the machines these
// run on are shared, and CPU time is the steadier measure there.

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // With repetitions the median stands for the case; otherwise each run.
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                m_medians[run.run_name.str()] = run.GetAdjustedCPUTime();
            else if (run.run_type == Run::RT_Iteration)
                m_times[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const auto& [name, time] : m_medians)
            m_times[name] = time;
        std::map<std::string, double> ours;
        std::map<std::string, std::vector<std::pair<std::string, double>>> peers;
        for (const auto& [name, time] : m_times) {
            auto slash = name.find('/');
            if (slash == std::string::npos)
                continue;
            std::string base = name.substr(0, slash), who = name.substr(slash + 1);
            if (who == "quilbex")
                ours[base] = time;
            else
                peers[base].emplace_back(who, time);
        }
        std::printf("\nratios (quilbex CPU time / peer CPU time):\n");
        for (const auto& [base, time] : ours)
            for (const auto& [peer, peer_time] : peers[base])
                std::printf("  %-32s vs %-24s %6.2f\n", base.c_str(), peer.c_str(), time / peer_time);
    }

private:
    std::map<std::string, double> m_times;
    std::map<std::string, double> m_medians;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
