/* The unattended sign-in in plain C over libcurl: the least a program can do
 * to make the tool's requests, the physical limit of the benchmark. The same
 * requests as "quilbex --sign-in", byte for byte: the sign page's form token,
 * the sign form, then the lottery draws five seconds apart until they are
 * used up, each on a new connection, the headers in the tool's order.
 *
 * usage: peer_libcurl FORUM_HOST API_HOST CA_FILE COOKIE MESSAGE */
#include <curl/curl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static const char* kDesktop =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/50.0.2661.87 Safari/537.36";
static const char* kMobile =
    "Mozilla/5.0 (Linux; U; Android 8.1.0; zh-cn; BLA-AL00 Build/HUAWEIBLA-AL00) AppleWebKit/537.36 "
    "(KHTML, like Gecko) Version/4.0 Chrome/57.0.2987.132 MQQBrowser/8.9 Mobile Safari/537.36";
static const char* kSignPage = "/plugin-dsu_paulsign:sign.html";
static const char* kSignAction = "/plugin.php?id=dsu_paulsign:sign&operation=qiandao&infloat=1&inajax=1";
static const char* kDraw =
    "/api/mobile/index.php?version=6&module=choujiang&do=draw&sign=3f1c9a0e5b7d2468ace013579bdf2468ace01357";

struct Buffer {
    char* data;
    size_t size;
};

static size_t collect(char* bytes, size_t size, size_t count, void* target) {
    struct Buffer* buffer = target;
    size_t n = size * count;
    char* grown = realloc(buffer->data, buffer->size + n + 1);
    if (!grown)
        return 0;
    memcpy(grown + buffer->size, bytes, n);
    buffer->data = grown;
    buffer->size += n;
    grown[buffer->size] = 0;
    return n;
}

static struct curl_slist* add(struct curl_slist* list, const char* name, const char* value) {
    char line[1024];
    snprintf(line, sizeof line, "%s: %s", name, value);
    return curl_slist_append(list, line);
}

/* One request on a handle of its own; the reply, zero-terminated, or NULL. */
static char* request(const char* url, const char* agent, const char* cookie, const char* ca, const char* body) {
    CURL* easy = curl_easy_init();
    struct Buffer reply = {calloc(1, 1), 0};
    struct curl_slist* headers = add(NULL, "User-Agent", agent);
    headers = add(headers, "Accept", "*/*");
    headers = add(headers, "Referer", url);
    headers = add(headers, "Accept-Language", "zh-cn");
    if (body)
        headers = add(headers, "Content-Type", "application/x-www-form-urlencoded");
    headers = add(headers, "Cookie", cookie);
    headers = curl_slist_append(headers, "Expect:");
    curl_easy_setopt(easy, CURLOPT_URL, url);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, (long)CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_CAINFO, ca);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &reply);
    if (body) {
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, (long)strlen(body));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body);
    }
    CURLcode result = curl_easy_perform(easy);
    curl_slist_free_all(headers);
    curl_easy_cleanup(easy);
    if (result != CURLE_OK) {
        free(reply.data);
        return NULL;
    }
    return reply.data;
}

/* Appends a code point as UTF-8. */
static size_t put_utf8(char* out, unsigned code) {
    if (code < 0x80)
        return (size_t)sprintf(out, "%c", (int)code);
    if (code < 0x800)
        return (size_t)sprintf(out, "%c%c", 0xC0 | code >> 6, 0x80 | (code & 0x3F));
    if (code < 0x10000)
        return (size_t)sprintf(out, "%c%c%c", 0xE0 | code >> 12, 0x80 | (code >> 6 & 0x3F), 0x80 | (code & 0x3F));
    return (size_t)sprintf(out, "%c%c%c%c", 0xF0 | code >> 18, 0x80 | (code >> 12 & 0x3F), 0x80 | (code >> 6 & 0x3F),
                           0x80 | (code & 0x3F));
}

static unsigned hex4(const char* at) {
    char digits[5] = {0};
    for (int i = 0; i < 4 && at[i]; ++i)
        digits[i] = at[i];
    return (unsigned)strtoul(digits, NULL, 16);
}

/* The JSON string value of "msg" in `out` (UTF-8, escapes decoded), or "未登录". */
static void read_msg(const char* json, char* out, size_t size) {
    const char* at = json ? strstr(json, "\"msg\":\"") : NULL;
    size_t n = 0;
    if (!at) {
        snprintf(out, size, "未登录");
        return;
    }
    for (at += 7; *at && *at != '"' && n + 5 < size; ++at) {
        if (*at != '\\') {
            out[n++] = *at;
        } else if (*++at != 'u') {
            out[n++] = *at == 'n' ? '\n' : *at;
        } else {
            unsigned code = hex4(at + 1);
            at += 4;
            if (code >= 0xD800 && code < 0xDC00 && at[1] == '\\' && at[2] == 'u') {
                code = 0x10000 + ((code - 0xD800) << 10) + (hex4(at + 3) - 0xDC00);
                at += 6;
            }
            n += put_utf8(out + n, code);
        }
    }
    out[n] = 0;
}

int main(int argc, char** argv) {
    if (argc != 6) {
        fputs("usage: peer_libcurl FORUM_HOST API_HOST CA_FILE COOKIE MESSAGE\n", stderr);
        return 2;
    }
    const char *forum = argv[1], *api = argv[2], *ca = argv[3], *cookie = argv[4], *message = argv[5];
    char url[512], body[2048];
    curl_global_init(CURL_GLOBAL_DEFAULT);

    snprintf(url, sizeof url, "https://%s%s", forum, kSignPage);
    char* page = request(url, kDesktop, cookie, ca, NULL);
    const char* start = page ? strstr(page, "formhash=") : NULL;
    const char* end = start ? strstr(start, "&amp;") : NULL;
    int length =
        snprintf(body, sizeof body, "formhash=%.*s&qdxq=tp&qdmode=1&todaysay=", end ? (int)(end - start - 9) : 0,
                 end ? start + 9 : "");
    for (const unsigned char* c = (const unsigned char*)message; *c && length < (int)sizeof body - 4; ++c) {
        int plain =
            (*c >= 'A' && *c <= 'Z') || (*c >= 'a' && *c <= 'z') || (*c >= '0' && *c <= '9') || strchr("-_.~", *c);
        length += plain ? snprintf(body + length, 2, "%c", *c) : snprintf(body + length, 4, "%%%02X", *c);
    }
    free(page);

    snprintf(url, sizeof url, "https://%s%s", forum, kSignAction);
    char* reply = request(url, kMobile, cookie, ca, body);
    puts(reply && strstr(reply, "签到成功") ? "签到成功" : "签到失败");
    free(reply);

    snprintf(url, sizeof url, "https://%s%s", api, kDraw);
    for (int draw = 0; draw < 10; ++draw) {
        char* json = request(url, kMobile, cookie, ca, "");
        char msg[1024];
        read_msg(json, msg, sizeof msg);
        free(json);
        puts(msg);
        int done = strstr(msg, "抽奖次数已用完") || strstr(msg, "太快");
        if (done)
            break;
        sleep(5);
    }
    curl_global_cleanup();
    return 0;
}
