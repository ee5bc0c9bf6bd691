/* The peer of the sign-in click: the same two HTTPS requests to the local
 * forum as the tool makes them (the sign-in page with the desktop agent, then
 * the sign action's form post with the mobile agent and its own address as
 * Referer), as plain libcurl easy requests, each on a new connection. Prints
 * the wall time of both in milliseconds and, untimed, what the services made
 * of them and of a lottery draw sent right after:
 *   "<ms> <sign> <draw>"
 * sign: "success", "already" (signed earlier today) or "refused";
 * draw: "too_fast" (a draw of this member was taken less than the draw gap
 * before), "taken" (this one was taken) or "refused".
 *
 * usage: two_requests FORUM_ORIGIN API_ORIGIN CA_FILE COOKIE */
#include <curl/curl.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#define DESKTOP_AGENT                                                                                                  \
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/50.0.2661.87 "                  \
    "Safari/537.36"
#define MOBILE_AGENT                                                                                                   \
    "Mozilla/5.0 (Linux; U; Android 8.1.0; zh-cn; BLA-AL00 Build/HUAWEIBLA-AL00) AppleWebKit/537.36 "                  \
    "(KHTML, like Gecko) Version/4.0 Chrome/57.0.2987.132 MQQBrowser/8.9 Mobile Safari/537.36"
#define DRAW_PATH                                                                                                      \
    "/api/mobile/index.php?version=6&module=choujiang&do=draw&sign=3f1c9a0e5b7d2468ace013579bdf2468ace01357"

struct reply {
    char text[8192];
    size_t size;
};

static size_t collect(char* data, size_t size, size_t count, void* user) {
    struct reply* r = user;
    size_t n = size * count, room = sizeof r->text - 1 - r->size;
    memcpy(r->text + r->size, data, n < room ? n : room);
    r->size += n < room ? n : room;
    r->text[r->size] = '\0';
    return size * count;
}

static int request(const char* url, const char* ca, const char* agent, const char* cookie, const char* form,
                   struct reply* out) {
    char agent_line[512], referer[1100], cookie_line[2100];
    snprintf(agent_line, sizeof agent_line, "User-Agent: %s", agent);
    snprintf(referer, sizeof referer, "Referer: %s", url);
    snprintf(cookie_line, sizeof cookie_line, "Cookie: %s", cookie);
    struct curl_slist* headers = curl_slist_append(NULL, agent_line);
    headers = curl_slist_append(headers, "Accept: */*");
    headers = curl_slist_append(headers, referer);
    headers = curl_slist_append(headers, "Accept-Language: zh-cn");
    if (form)
        headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
    headers = curl_slist_append(headers, cookie_line);
    CURL* curl = curl_easy_init();
    if (!curl)
        return 1;
    out->size = 0;
    out->text[0] = '\0';
    curl_easy_setopt(curl, CURLOPT_URL, url);
    curl_easy_setopt(curl, CURLOPT_CAINFO, ca);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, out);
    if (form)
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, form);
    CURLcode result = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    return result == CURLE_OK ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: two_requests FORUM_ORIGIN API_ORIGIN CA_FILE COOKIE\n");
        return 2;
    }
    char page[1024], action[1024], draw[1024];
    snprintf(page, sizeof page, "%s/plugin-dsu_paulsign:sign.html", argv[1]);
    snprintf(action, sizeof action, "%s/plugin.php?id=dsu_paulsign:sign&operation=qiandao&infloat=1&inajax=1", argv[1]);
    snprintf(draw, sizeof draw, "%s%s", argv[2], DRAW_PATH);
    static struct reply page_reply, sign_reply, draw_reply;
    curl_global_init(CURL_GLOBAL_DEFAULT);
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    int failed = request(page, argv[3], DESKTOP_AGENT, argv[4], NULL, &page_reply);
    /* The form token is read from the page, as the tool reads it. */
    char form[256] = "";
    const char* token = strstr(page_reply.text, "formhash=");
    const char* token_end = token ? strstr(token, "&amp;") : NULL;
    if (!failed && token && token_end && token_end - token - 9 < 64) {
        snprintf(form, sizeof form, "formhash=%.*s&qdxq=tp&qdmode=1&todaysay=%%E5%%8A%%A0%%E6%%B2%%B9",
                 (int)(token_end - token - 9), token + 9);
        failed = request(action, argv[3], MOBILE_AGENT, argv[4], form, &sign_reply);
    } else {
        failed = 1;
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    failed = failed || request(draw, argv[3], MOBILE_AGENT, argv[4], "", &draw_reply);
    curl_global_cleanup();
    if (failed)
        return 1;
    const char* sign = strstr(sign_reply.text, "签到成功")   ? "success"
                       : strstr(sign_reply.text, "已经签到") ? "already"
                                                             : "refused";
    const char* drawn = strstr(draw_reply.text, "\\u592a\\u5feb") || strstr(draw_reply.text, "太快")    ? "too_fast"
                        : strstr(draw_reply.text, "\"ret\":0") || strstr(draw_reply.text, "\"ret\":-1") ? "taken"
                                                                                                        : "refused";
    printf("%.1f %s %s\n", (end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) / 1e6, sign, drawn);
    return 0;
}
