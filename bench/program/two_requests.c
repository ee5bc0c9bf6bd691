/* The peer of the sign-in click: the same two HTTPS requests to the local
 * forum (the sign-in page, then the sign action's form post) as plain libcurl
 * easy requests, each on a new connection as the tool makes them. Prints the
 * wall time of both in milliseconds.
 *
 * usage: two_requests FORUM_ORIGIN CA_FILE COOKIE */
#include <curl/curl.h>
#include <stdio.h>
#include <time.h>

static size_t discard(char *data, size_t size, size_t count, void *user) {
    (void)data;
    (void)user;
    return size * count;
}

static int request(const char *url, const char *ca, struct curl_slist *headers, const char *form) {
    CURL *curl = curl_easy_init();
    if (!curl)
        return 1;
    curl_easy_setopt(curl, CURLOPT_URL, url);
    curl_easy_setopt(curl, CURLOPT_CAINFO, ca);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, discard);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    if (form)
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, form);
    CURLcode result = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return result == CURLE_OK ? 0 : 1;
}

int main(int argc, char **argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: two_requests FORUM_ORIGIN CA_FILE COOKIE\n");
        return 2;
    }
    char page[1024], action[1024], cookie[2048];
    snprintf(page, sizeof page, "%s/plugin-dsu_paulsign:sign.html", argv[1]);
    snprintf(action, sizeof action, "%s/plugin.php?id=dsu_paulsign:sign&operation=qiandao&infloat=1&inajax=1",
             argv[1]);
    snprintf(cookie, sizeof cookie, "Cookie: %s", argv[3]);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    struct curl_slist *headers = curl_slist_append(NULL, cookie);
    headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    int failed = request(page, argv[2], headers, NULL) ||
                 request(action, argv[2], headers, "formhash=1a2b3c4d&qdxq=tp&qdmode=1&todaysay=x");
    clock_gettime(CLOCK_MONOTONIC, &end);
    curl_slist_free_all(headers);
    curl_global_cleanup();
    if (failed)
        return 1;
    printf("%.1f\n", (end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) / 1e6);
    return 0;
}
