#pragma once
// The local services in this process and the program in a folder of its own
// whose Config.ini names them and their authority, with a member's cookie
// saved. Runs never reach a desktop's notification service unless a test
// gives them a bus.

#include "ProgramRun.h"
#include "app/member/RunLock.h"
#include "sim/Simulator.h"

#include <gtest/gtest.h>
#include <memory>

namespace quilbex::daily_testing {

class DailyRun : public ::testing::Test {
protected:
    static constexpr const char* kMemberCookie = "BBS_UNAME=%E5%BC%A0%E4%B8%89; UM_distinctid=sim-member-0001";

    void SetUp() override {
        std::string error;
        sim = sim::Simulator::start(sim::SimOptions::any_ports(QUILBEX_SIM_CERT_DIR), &error);
        ASSERT_TRUE(sim) << error;
        write_config(sim->ca_file());
        save_cookie(kMemberCookie);
    }

    void write_config(const std::string& ca_file, const std::string& extra = "") {
        write_file(folder.file("Config.ini"),
                   "[HOSTS]\r\nforum=" + sim->host(sim->forum_port()) + "\r\napi=" + sim->host(sim->api_port()) +
                       "\r\nquote=" + sim->host(sim->quote_port()) + "\r\naccount=" + sim->host(sim->account_port()) +
                       "\r\n[TLS]\r\nca_file=" + ca_file + "\r\n" + extra);
    }
    void save_cookie(const std::string& cookie) {
        write_file(folder.file("Cookie.ini"), "[COOKIE]\r\ncookie=" + cookie + "\r\n");
    }

    std::map<std::string, std::string> quiet_desktop() const {
        return {{"QUILBEX_CONFIG", folder.file("Config.ini").string()},
                {"DBUS_SESSION_BUS_ADDRESS", ""},
                {"XDG_RUNTIME_DIR", folder.path().string()}};
    }
    RunResult sign_in(std::vector<std::string> extra = {}) {
        extra.insert(extra.begin(), "--sign-in");
        return folder.run(extra, quiet_desktop());
    }

    // The run lock of the member whose files lie in the program's folder.
    std::unique_ptr<app::RunLock> lock_member(std::chrono::milliseconds wait) const {
        kernel::MemberFolders member;
        member.state_folder = folder.path().string();
        return app::RunLock::acquire(member, wait);
    }

    std::vector<sim::LogEntry> requests(const std::string& service) {
        std::vector<sim::LogEntry> out;
        for (auto& entry : sim->state().log.entries())
            if (entry.service == service)
                out.push_back(entry);
        return out;
    }

    ProgramFolder folder;
    std::unique_ptr<sim::Simulator> sim;
};

}  // namespace quilbex::daily_testing
