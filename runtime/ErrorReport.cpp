#include "runtime/ErrorReport.h"

#include "runtime/Exit.h"
#include "runtime/ProgramImage.h"
#include "runtime/RuntimeApp.h"
#include "runtime/WindowHost.h"
#include "runtime_messages/RuntimeMessages.h"

#include <array>

namespace quilbex::rt {

inline constexpr std::uint32_t kMbIconError = 0x10;

const char* application_error_message(std::int32_t code) {
    using namespace messages;
    static const std::array<const char* (*)(), 11> kMessages = {
        application_error_1, application_error_2,  application_error_3, application_error_4,
        application_error_5, application_error_6,  application_error_7, application_error_8,
        application_error_9, application_error_10, application_error_11};
    if (code < 1 || code > 11)
        return nullptr;
    return kMessages[static_cast<std::size_t>(code - 1)]();
}

std::string error_detail_text(std::uint32_t a, std::uint32_t b) {
    std::string detail =
        "\r\n" + std::to_string(static_cast<std::int32_t>(a)) + ", " + std::to_string(static_cast<std::int32_t>(b));
    if (is_window_identifier(a))
        detail += window_host().describe_for_error(a, b);
    return detail + "\r\n";
}

std::string error_report_text(const char* message, std::int32_t code, const std::string& detail) {
    std::string text = messages::runtime_error_head();
    if (code != 0)
        text += std::string(messages::error_code_label()) + std::to_string(code) + "\r\n";
    if (message && *message)
        text += std::string(messages::error_message_label()) + message + "\r\n";
    return text + detail;
}

void report_runtime_error(const char* message, std::int32_t code, std::uint32_t a, std::uint32_t b) {
    auto& app = runtime_app();
    ++app.suppressCount;
    std::string detail = error_detail_text(a, b);
    bool informed = false;
    if (app.errorHandler && !app.errorHandlerRunning) {
        app.errorHandlerRunning = true;
        std::string handler_text = std::string(message ? message : "") + detail;
        informed = app.errorHandler(code, handler_text.c_str()) != 0;
        app.errorHandlerRunning = false;
    }
    if (!informed) {
        std::string text = error_report_text(message, code, detail);
        window_host().message_box(text.c_str(), messages::error_caption(), kMbIconError);
    }
    app.exitCallbacks.clear();
    exit_process(0xFFFFFFFF);
}

void report_application_error(std::int32_t code, std::uint32_t a, std::uint32_t b) {
    report_runtime_error(application_error_message(code), code, a, b);
}

}  // namespace quilbex::rt
