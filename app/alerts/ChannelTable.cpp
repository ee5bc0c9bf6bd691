#include "app/alerts/ChannelTable.h"

namespace quilbex::app {

// Each defined in the channel's own file under services/.
extern const ChannelRow kWebhookRow;
extern const ChannelRow kMailRow;
extern const ChannelRow kServerChanRow;
extern const ChannelRow kPushPlusRow;
extern const ChannelRow kBarkRow;
extern const ChannelRow kWeComRow;
extern const ChannelRow kDingTalkRow;
extern const ChannelRow kFeishuRow;
extern const ChannelRow kTelegramRow;
extern const ChannelRow kNtfyRow;
extern const ChannelRow kGotifyRow;

std::span<const ChannelRow* const> channel_table() {
    static const ChannelRow* const kRows[] = {
        &kWebhookRow,  &kMailRow,   &kServerChanRow, &kPushPlusRow, &kBarkRow,   &kWeComRow,
        &kDingTalkRow, &kFeishuRow, &kTelegramRow,   &kNtfyRow,     &kGotifyRow,
    };
    return kRows;
}

}  // namespace quilbex::app
