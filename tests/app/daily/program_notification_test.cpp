// The desktop notification of a failed unattended run, received by a
// notification service of our own on a private session bus.

#include "DailyFixture.h"

#include <atomic>
#include <condition_variable>
#include <gio/gio.h>
#include <gmock/gmock.h>
#include <mutex>
#include <thread>

namespace quilbex::daily_testing {
namespace {

template <typename Condition> bool wait_until(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

constexpr const char* kInterface =
    "<node><interface name='org.freedesktop.Notifications'>"
    "<method name='Notify'><arg type='s' direction='in'/><arg type='u' direction='in'/>"
    "<arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='s' direction='in'/>"
    "<arg type='as' direction='in'/><arg type='a{sv}' direction='in'/><arg type='i' direction='in'/>"
    "<arg type='u' direction='out'/></method>"
    "<method name='GetCapabilities'><arg type='as' direction='out'/></method>"
    "<method name='GetServerInformation'><arg type='s' direction='out'/><arg type='s' direction='out'/>"
    "<arg type='s' direction='out'/><arg type='s' direction='out'/></method>"
    "<method name='CloseNotification'><arg type='u' direction='in'/></method>"
    "</interface></node>";

// Owns org.freedesktop.Notifications on the bus at `address` and records the
// summary and body of every Notify call, on a thread with its own main context.
// One that shows buttons also records them and presses the first at once.
class NotificationRecorder {
public:
    enum class Buttons { none, pressed };
    explicit NotificationRecorder(std::string address, Buttons buttons = Buttons::none)
        : m_address(std::move(address)), m_buttons(buttons) {
        m_thread = std::thread([this] { serve(); });
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::seconds(30), [&] { return m_ready || m_failed; });
    }
    ~NotificationRecorder() {
        m_stop = true;
        if (m_context)
            g_main_context_wakeup(m_context);
        m_thread.join();
    }
    bool ready() {
        std::lock_guard lock(m_mutex);
        return m_ready;
    }
    std::vector<std::string> received() {
        std::lock_guard lock(m_mutex);
        return m_received;
    }

private:
    static void on_call(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                        GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self_pointer) {
        auto* self = static_cast<NotificationRecorder*>(self_pointer);
        std::string name = method;
        if (name == "Notify") {
            const gchar *app, *icon, *summary, *body;
            guint32 replaces;
            g_variant_get_child(parameters, 0, "&s", &app);
            g_variant_get_child(parameters, 1, "u", &replaces);
            g_variant_get_child(parameters, 2, "&s", &icon);
            g_variant_get_child(parameters, 3, "&s", &summary);
            g_variant_get_child(parameters, 4, "&s", &body);
            // Actions come as pairs: key, label.
            g_autofree const gchar** actions = nullptr;
            g_variant_get_child(parameters, 5, "^a&s", &actions);
            std::string buttons;
            for (const gchar** action = actions; action && *action; ++action)
                buttons += std::string(" [") + *action + "]";
            {
                std::lock_guard lock(self->m_mutex);
                self->m_received.push_back(std::string(summary) + " | " + body + buttons);
            }
            GDBusConnection* connection = g_dbus_method_invocation_get_connection(invocation);
            const std::string sender = g_dbus_method_invocation_get_sender(invocation);
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", 1u));
            if (self->m_buttons == Buttons::pressed && actions && actions[0])
                g_dbus_connection_emit_signal(connection, sender.c_str(), "/org/freedesktop/Notifications",
                                              "org.freedesktop.Notifications", "ActionInvoked",
                                              g_variant_new("(us)", 1u, actions[0]), nullptr);
        } else if (name == "GetCapabilities") {
            const gchar* plain[] = {"body", nullptr};
            const gchar* with_buttons[] = {"body", "actions", nullptr};
            const gchar** caps = self->m_buttons == Buttons::pressed ? with_buttons : plain;
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(^as)", caps));
        } else if (name == "GetServerInformation") {
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(ssss)", "recorder", "test", "1", "1.2"));
        } else {
            g_dbus_method_invocation_return_value(invocation, nullptr);
        }
    }
    static void on_name(GDBusConnection*, const gchar*, gpointer self_pointer) {
        auto* self = static_cast<NotificationRecorder*>(self_pointer);
        std::lock_guard lock(self->m_mutex);
        self->m_ready = true;
        self->m_changed.notify_all();
    }
    void fail() {
        std::lock_guard lock(m_mutex);
        m_failed = true;
        m_changed.notify_all();
    }

    void serve() {
        m_context = g_main_context_new();
        g_main_context_push_thread_default(m_context);
        GError* error = nullptr;
        GDBusConnection* connection =
            g_dbus_connection_new_for_address_sync(m_address.c_str(),
                                                   GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                                                   nullptr, nullptr, &error);
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kInterface, nullptr);
        guint owner = 0;
        if (connection && node) {
            static const GDBusInterfaceVTable vtable = {on_call, nullptr, nullptr, {}};
            g_dbus_connection_register_object(connection, "/org/freedesktop/Notifications", node->interfaces[0],
                                              &vtable, this, nullptr, nullptr);
            owner = g_bus_own_name_on_connection(connection, "org.freedesktop.Notifications",
                                                 G_BUS_NAME_OWNER_FLAGS_NONE, on_name, nullptr, this, nullptr);
        } else {
            fail();
        }
        while (!m_stop)
            g_main_context_iteration(m_context, TRUE);
        if (owner)
            g_bus_unown_name(owner);
        if (node)
            g_dbus_node_info_unref(node);
        if (connection) {
            g_dbus_connection_close_sync(connection, nullptr, nullptr);
            g_object_unref(connection);
        }
        if (error)
            g_error_free(error);
        g_main_context_pop_thread_default(m_context);
        g_main_context_unref(m_context);
    }

    std::string m_address;
    Buttons m_buttons;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    GMainContext* m_context = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_ready = false;
    bool m_failed = false;
    std::vector<std::string> m_received;
};

class Notification : public DailyRun {
protected:
    void SetUp() override {
        DailyRun::SetUp();
        m_bus = g_test_dbus_new(G_TEST_DBUS_NONE);
        g_test_dbus_up(m_bus);
        address = g_test_dbus_get_bus_address(m_bus);
    }
    void TearDown() override {
        g_test_dbus_down(m_bus);
        g_object_unref(m_bus);
    }
    std::map<std::string, std::string> with_bus() {
        auto env = quiet_desktop();
        env["DBUS_SESSION_BUS_ADDRESS"] = address;
        return env;
    }

    std::string address;

private:
    GTestDBus* m_bus = nullptr;
};

TEST_F(Notification, a_lost_login_tells_the_member_to_log_in_again_and_success_stays_silent) {
    NotificationRecorder recorder(address);
    ASSERT_TRUE(recorder.ready());
    sim->state().scenario.set("draws", "0");
    ASSERT_EQ(folder.run({"--sign-in", "--message", "x"}, with_bus()).status, 0);
    EXPECT_TRUE(recorder.received().empty());

    sim->state().scenario.set("sign", "not_logged_in");
    RunResult run = folder.run({"--sign-in", "--message", "x", "--quiet"}, with_bus());
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_THAT(recorder.received(), ::testing::ElementsAre(::testing::HasSubstr("| 登录已失效，请打开程序重新登录")));
    // This service shows no buttons: the text says how to log in again.
    EXPECT_THAT(recorder.received()[0], ::testing::EndsWith("\n重新登录：quilbex --login"));
}

TEST_F(Notification, the_button_of_a_lost_login_opens_the_login_window_for_that_member) {
    NotificationRecorder recorder(address, NotificationRecorder::Buttons::pressed);
    ASSERT_TRUE(recorder.ready());
    std::filesystem::create_directories(folder.file("profiles/zhang"));
    write_file(folder.file("profiles/zhang/Cookie.ini"), "[COOKIE]\r\ncookie=BBS_UNAME=x\r\n");
    sim->state().scenario.set("sign", "not_logged_in");
    auto env = with_bus();
    env["DISPLAY"] = "";  // the login window it opens says there is no display and ends
    env["WAYLAND_DISPLAY"] = "";
    env["INVOCATION_ID"] = "";
    RunResult run = folder.run({"--sign-in", "--message", "x", "--profile", "zhang"}, env);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_THAT(recorder.received(), ::testing::ElementsAre(::testing::EndsWith(
                                         "| 登录已失效，请打开程序重新登录 [default-button] [重新登录]")));
    EXPECT_THAT(run.err, ::testing::HasSubstr("quilbex: 已打开登录窗口（quilbex --login --profile zhang）。"));
    // The login mode's own process writes to the same standard error (before
    // or after the run's last line): it finds no window system in this bare
    // folder, says so and ends. The run itself wrote three lines.
    EXPECT_TRUE(wait_until([&] {
        const std::string err = read_file(folder.file("err1.txt"));
        std::size_t lines = 0;
        for (std::size_t at = err.find("quilbex: "); at != std::string::npos; at = err.find("quilbex: ", at + 1))
            ++lines;
        return lines > 3;
    })) << read_file(folder.file("err1.txt"));
}

TEST_F(Notification, a_run_that_tries_again_tells_the_member_once_after_its_last_try) {
    NotificationRecorder recorder(address);
    ASSERT_TRUE(recorder.ready());
    sim->state().scenario.set("unanswered", "1000");
    RunResult run = folder.run({"--sign-in", "--message", "x", "--retry", "1,1"}, with_bus());
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_EQ(requests("forum").size(), 6u);
    EXPECT_THAT(recorder.received(), ::testing::ElementsAre(::testing::HasSubstr("网络无应答")));
}

TEST_F(Notification, without_a_notification_service_the_run_ends_as_usual) {
    sim->state().scenario.set("sign", "retry");
    sim->state().scenario.set("draws", "0");
    RunResult run = folder.run({"--sign-in", "--message", "x"}, with_bus());
    EXPECT_EQ(run.status, 4);
}

}  // namespace
}  // namespace quilbex::daily_testing
