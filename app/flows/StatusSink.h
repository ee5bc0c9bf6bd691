#pragma once
// Where the flows report their status lines. The main window is one sink
// (its display box), the terminal and the history file are others; a flow
// never knows which ones are listening.
//
// Texts are GBK status texts exactly as the flows produce them. A sink may be
// called from a worker thread (the lottery) and must not assume the window
// thread.

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace quilbex::app {

enum class FlowStep { sign_in, draw, quote };

class StatusSink {
public:
    virtual ~StatusSink() = default;
    // One status text; `draw` is the 1-based draw number for FlowStep::draw
    // and 0 otherwise.
    virtual void report(FlowStep step, int draw, const char* status) = 0;
    // A step whose request got no whole answer (no connection, a reply cut
    // short or stalled). `status` is what the flow makes of that, which the
    // window shows as it is; a sink that records the run says instead that
    // the network did not answer, as the service may have counted the step.
    virtual void report_unanswered(FlowStep step, int draw, const char* status) { report(step, draw, status); }
    // Called just before the pause that follows draw `draw`.
    virtual void pausing(int /*draw*/, std::int32_t /*milliseconds*/) {}
};

// Hands every call to each sink in turn. The sinks must outlive the list.
class SinkList final : public StatusSink {
public:
    SinkList(std::initializer_list<StatusSink*> sinks) : m_sinks(sinks) {}
    void report(FlowStep step, int draw, const char* status) override {
        for (StatusSink* sink : m_sinks)
            sink->report(step, draw, status);
    }
    void report_unanswered(FlowStep step, int draw, const char* status) override {
        for (StatusSink* sink : m_sinks)
            sink->report_unanswered(step, draw, status);
    }
    void pausing(int draw, std::int32_t milliseconds) override {
        for (StatusSink* sink : m_sinks)
            sink->pausing(draw, milliseconds);
    }

private:
    std::vector<StatusSink*> m_sinks;
};

// The main window's display box: each draw's message and "\r\n" are
// appended while the box exists; other steps are shown by the window's own
// handlers.
class WindowStatusSink final : public StatusSink {
public:
    void report(FlowStep step, int draw, const char* status) override;
};

}  // namespace quilbex::app
