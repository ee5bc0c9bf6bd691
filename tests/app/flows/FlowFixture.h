#pragma once
// The local services on free ports, the application's configuration pointing
// at them, and a program image that binds the WinInet functions by name.

#include "app/flows/Globals.h"
#include "app/net/NetConfig.h"
#include "app/net/NetProgram.h"
#include "app/net/TextOps.h"
#include "sim/Simulator.h"
#include "support/Gbk.h"

#include <gtest/gtest.h>

namespace quilbex::app::testing {

using quilbex::testing::gbk;

class FlowTest : public ::testing::Test {
protected:
    static constexpr const char* kMemberCookie = "BBS_UNAME=%E5%BC%A0%E4%B8%89; UM_distinctid=sim-member-0001";

    void SetUp() override {
        std::string error;
        sim = sim::Simulator::start(sim::SimOptions::any_ports(QUILBEX_SIM_CERT_DIR), &error);
        ASSERT_TRUE(sim) << error;
        NetConfig config;
        config.hosts.forum = sim->host(sim->forum_port());
        config.hosts.api = sim->host(sim->api_port());
        config.hosts.quote = sim->host(sim->quote_port());
        config.hosts.account = sim->host(sim->account_port());
        config.ca_file = sim->ca_file();
        install_net_config(config);
        set_forum_cookie(kMemberCookie);
    }
    void TearDown() override {
        release_forum_cookie();
        install_net_config(NetConfig{});
    }

    std::vector<sim::LogEntry> log() { return sim->state().log.entries(); }
    std::string forum() { return sim->host(sim->forum_port()); }

    quilbex::testing::NetProgram program;
    std::unique_ptr<sim::Simulator> sim;
};

}  // namespace quilbex::app::testing
