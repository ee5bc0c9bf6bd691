#ifndef QUILBEX_ENGINE_WKE_H
#define QUILBEX_ENGINE_WKE_H
/*
 * The C interface of the browser engine library "node.dll".
 *
 * The library is a shared object that the program loads at run time and binds
 * by name; every function below is exported with C linkage. It renders with
 * WebKitGTK inside the program's GTK 3 windows.
 *
 * Threads: every function must be called on the thread that runs the GTK main
 * loop, and every callback is made on that thread.
 *
 * Texts:
 *   - Narrow texts given to the engine (addresses, HTML, user agents, window
 *     titles) are UTF-8. A text that is not valid UTF-8 is read as GBK (code
 *     page 936), so that texts the program stores in its own code page arrive
 *     unchanged in meaning.
 *   - Paths are UTF-16 (char16_t, zero-terminated); "\" and "/" both separate
 *     directories.
 *   - Narrow texts returned by the engine are UTF-8.
 *
 * Handles:
 *   - wkeWebView is an opaque handle, valid from wkeCreateWebWindow until its
 *     window is destroyed (by wkeDestroyWebView or together with the parent
 *     window). Every function checks the handle: an unknown or stale handle
 *     makes the call do nothing and return 0 / null / "".
 *   - wkeString is an engine-owned text object. Strings handed to a callback
 *     are valid only while that callback runs.
 *
 * Loading the engine does not start WebKit: WebKit's processes start when the
 * first view needs to show or load something.
 */

#include <stddef.h>

#ifdef __cplusplus
#include <cstdint>
typedef char16_t wkeChar16;
extern "C" {
#else
#include <stdbool.h>
#include <stdint.h>
typedef uint_least16_t wkeChar16;
#endif

#define WKE_API __attribute__((visibility("default")))

typedef struct wkeWebViewTag* wkeWebView;
typedef struct wkeStringTag* wkeString;
/* A request being loaded; the same value is given to the begin and the end
 * callback of one request. Valid only while a callback runs. */
typedef void* wkeNetJob;

/* The settings record given to wkeInitializeEx. Every byte is reserved and
 * must be zero; a null pointer is accepted as all zeros. */
typedef struct wkeSettings {
    unsigned char reserved[216];
} wkeSettings;

typedef enum wkeWindowType {
    WKE_WINDOW_TYPE_POPUP = 0, /* a top-level window of its own */
    WKE_WINDOW_TYPE_TRANSPARENT = 1, /* a top-level window with a transparent page background */
    WKE_WINDOW_TYPE_CONTROL = 2 /* a view inside the given parent window */
} wkeWindowType;

typedef enum wkeNavigationType {
    WKE_NAVIGATION_TYPE_LINKCLICK = 0,
    WKE_NAVIGATION_TYPE_FORMSUBMITTE = 1,
    WKE_NAVIGATION_TYPE_BACKFORWARD = 2,
    WKE_NAVIGATION_TYPE_RELOAD = 3,
    WKE_NAVIGATION_TYPE_FORMRESUBMITT = 4,
    WKE_NAVIGATION_TYPE_OTHER = 5
} wkeNavigationType;

typedef enum wkeLoadingResult {
    WKE_LOADING_SUCCEEDED = 0,
    WKE_LOADING_FAILED = 1,
    WKE_LOADING_CANCELED = 2
} wkeLoadingResult;

typedef enum wkeConsoleLevel {
    WKE_CONSOLE_LOG = 1,
    WKE_CONSOLE_WARNING = 2,
    WKE_CONSOLE_ERROR = 3,
    WKE_CONSOLE_DEBUG = 4,
    WKE_CONSOLE_INFO = 5
} wkeConsoleLevel;

/* The frame identifier passed for the top-level document. */
#define WKE_MAIN_FRAME_ID 1

/*
 * Callbacks. `param` is the value given when the callback was registered.
 * Registering a null routine removes the callback.
 *
 *   callback               when                                    returns
 *   ---------------------  --------------------------------------  ----------------------------------
 *   PaintUpdated           the view was drawn; hdc is the cairo_t   -
 *                          of that draw, valid during the call
 *   DocumentReady2         the main document's DOM is complete      -
 *   TitleChanged           the page title changed                  -
 *   URLChanged2            the address shown changed               -
 *   Navigation             a frame is about to navigate            false cancels the navigation
 *   CreateView             the page asks for a new window          the view to load the address in
 *                                                                  (the opener itself loads it in
 *                                                                  place; null drops the request)
 *   LoadingFinish          the main document finished or failed    -
 *   Console                the page wrote to its console or threw  -
 *   AlertBox               window.alert                            -
 *   ConfirmBox             window.confirm                          the answer
 *   PromptBox              window.prompt; set the answer into      true answers with `result`,
 *                          `result` with wkeSetString(W)           false answers null
 *   Download               the page started a download; the        -
 *                          engine never stores downloads itself
 *                          and cancels the transfer
 *   LoadUrlBegin           a request (document or sub-resource)    -
 *                          starts
 *   LoadUrlEnd             that request ended; status is the HTTP   -
 *                          status (0 when no response arrived),
 *                          length the body bytes received
 *   MouseOverUrlChanged    the link under the mouse changed        -
 *                          ("" when the mouse left a link)
 */
typedef void (*wkePaintUpdatedCallback)(wkeWebView webView, void* param, void* hdc, int x, int y, int cx, int cy);
typedef void (*wkeDocumentReady2Callback)(wkeWebView webView, void* param, int frameId);
typedef void (*wkeTitleChangedCallback)(wkeWebView webView, void* param, const wkeString title);
typedef void (*wkeURLChanged2Callback)(wkeWebView webView, void* param, int frameId, const wkeString url);
typedef bool (*wkeNavigationCallback)(wkeWebView webView, void* param, wkeNavigationType navigationType, wkeString url);
typedef wkeWebView (*wkeCreateViewCallback)(wkeWebView webView, void* param, wkeNavigationType navigationType,
                                            const wkeString url);
typedef void (*wkeLoadingFinishCallback)(wkeWebView webView, void* param, const wkeString url, wkeLoadingResult result,
                                         const wkeString failedReason);
typedef void (*wkeConsoleCallback)(wkeWebView webView, void* param, wkeConsoleLevel level, const wkeString message,
                                   const wkeString sourceName, unsigned sourceLine, const wkeString stackTrace);
typedef void (*wkeAlertBoxCallback)(wkeWebView webView, void* param, const wkeString msg);
typedef bool (*wkeConfirmBoxCallback)(wkeWebView webView, void* param, const wkeString msg);
typedef bool (*wkePromptBoxCallback)(wkeWebView webView, void* param, const wkeString msg,
                                     const wkeString defaultResult, wkeString result);
typedef void (*wkeDownloadCallback)(wkeWebView webView, void* param, const char* url);
typedef void (*wkeLoadUrlBeginCallback)(wkeWebView webView, void* param, const char* url, wkeNetJob job);
typedef void (*wkeLoadUrlEndCallback)(wkeWebView webView, void* param, const char* url, wkeNetJob job, int status,
                                      int length);
typedef void (*wkeMouseOverUrlChangedCallback)(wkeWebView webView, void* param, const wkeString url);

/* Library state. wkeInitializeEx makes the library usable (it initialises GTK
 * if the program has not); it is cheap and may be called again. */
WKE_API bool wkeIsInitialize(void);
WKE_API void wkeInitializeEx(const wkeSettings* settings);

/* Views. A CONTROL view needs a parent window handle that the program's
 * window system resolves (see quilbex_ui_gtk_container below); without one
 * creation fails and 0 is returned. */
WKE_API wkeWebView wkeCreateWebWindow(wkeWindowType type, void* parent, int x, int y, int width, int height);
WKE_API void wkeDestroyWebView(wkeWebView webView);
WKE_API void wkeShowWindow(wkeWebView webView, bool show);
WKE_API void wkeSetTransparent(wkeWebView webView, bool transparent);
/* The view's window: its GtkWidget (a GtkWindow for POPUP and TRANSPARENT
 * views), never null for a live view. */
WKE_API void* wkeGetWindowHandle(wkeWebView webView);
WKE_API void wkeResize(wkeWebView webView, int width, int height);
WKE_API void wkeSetWindowTitle(wkeWebView webView, const char* title);

/* WebKit always enforces a page's content security policy and has no
 * plug-ins; these two record the request and change nothing. */
WKE_API void wkeSetCspCheckEnable(wkeWebView webView, bool enable);
WKE_API void wkeSetNpapiPluginsEnabled(wkeWebView webView, bool enable);
/* Without a CreateView callback, a page's request for a new window opens an
 * engine window when enabled and loads in the same view when disabled. */
WKE_API void wkeSetNavigationToNewWindowEnable(wkeWebView webView, bool enable);

WKE_API void wkeSetUserAgent(wkeWebView webView, const char* userAgent);
WKE_API void wkeLoadURL(wkeWebView webView, const char* url);
WKE_API void wkeLoadHTML(wkeWebView webView, const char* html);
WKE_API void wkeReload(wkeWebView webView);
/* The current page's title and address, UTF-8; "" when there is none. The
 * text stays valid until the next call of the same function for that view. */
WKE_API const char* wkeGetTitle(wkeWebView webView);
WKE_API const char* wkeGetURL(wkeWebView webView);

/* Storage. The engine's data (local storage, caches) goes to the directory
 * given before the engine first shows or loads a page, otherwise to a private
 * folder removed at exit; the setting is process-wide. The cookie jar is a
 * process-wide file: a path ending in a separator or naming a directory gets
 * the file "cookies.dat" inside it. Without a jar, cookies last as long as
 * the process. Missing directories are created. */
WKE_API void wkeSetLocalStorageFullPath(wkeWebView webView, const wkeChar16* path);
WKE_API void wkeSetCookieJarPath(wkeWebView webView, const wkeChar16* path);

/* Cookies (process-wide). wkeGetCookie returns the cookies that apply to the
 * page the view shows as "name=value; name=value", "" when none; the text stays
 * valid until the next wkeGetCookie for that view. Both wait for WebKit's
 * cookie store, running the main loop for at most a few seconds. */
WKE_API void wkeSetCookieEnabled(wkeWebView webView, bool enable);
WKE_API const char* wkeGetCookie(wkeWebView webView);
WKE_API void wkeClearCookie(wkeWebView webView);

/* When the cookie `name` that applies to the page the view shows expires, in
 * seconds since the epoch (UTC); 0 for a cookie that ends with the browser
 * session; -1 when the page has no such cookie. Waits like wkeGetCookie. */
WKE_API long long wkeQuilbexGetCookieExpires(wkeWebView webView, const char* name);

/* Strings. Getters return "" for a null or unknown string; the pointer stays
 * valid until the string changes or goes away. */
WKE_API const wkeChar16* wkeGetStringW(wkeString string);
WKE_API const char* wkeGetString(wkeString string);
WKE_API void wkeSetString(wkeString string, const char* text, size_t length);
WKE_API void wkeSetStringW(wkeString string, const wkeChar16* text, size_t length);

/* Callback registration; see the table above. */
WKE_API void wkeOnPaintUpdated(wkeWebView webView, wkePaintUpdatedCallback callback, void* param);
WKE_API void wkeOnDocumentReady2(wkeWebView webView, wkeDocumentReady2Callback callback, void* param);
WKE_API void wkeOnTitleChanged(wkeWebView webView, wkeTitleChangedCallback callback, void* param);
WKE_API void wkeOnURLChanged2(wkeWebView webView, wkeURLChanged2Callback callback, void* param);
WKE_API void wkeOnNavigation(wkeWebView webView, wkeNavigationCallback callback, void* param);
WKE_API void wkeOnCreateView(wkeWebView webView, wkeCreateViewCallback callback, void* param);
WKE_API void wkeOnLoadingFinish(wkeWebView webView, wkeLoadingFinishCallback callback, void* param);
WKE_API void wkeOnConsole(wkeWebView webView, wkeConsoleCallback callback, void* param);
WKE_API void wkeOnAlertBox(wkeWebView webView, wkeAlertBoxCallback callback, void* param);
WKE_API void wkeOnConfirmBox(wkeWebView webView, wkeConfirmBoxCallback callback, void* param);
WKE_API void wkeOnPromptBox(wkeWebView webView, wkePromptBoxCallback callback, void* param);
WKE_API void wkeOnDownload(wkeWebView webView, wkeDownloadCallback callback, void* param);
WKE_API void wkeOnLoadUrlBegin(wkeWebView webView, wkeLoadUrlBeginCallback callback, void* param);
WKE_API void wkeOnLoadUrlEnd(wkeWebView webView, wkeLoadUrlEndCallback callback, void* param);
WKE_API void wkeOnMouseOverUrlChanged(wkeWebView webView, wkeMouseOverUrlChangedCallback callback, void* param);

/*
 * Input. Before the page gets a mouse, focus or keyboard event of the view,
 * the program may look at it: `x`, `y` are view coordinates (mouse events),
 * `code` the Windows virtual-key code (KEYDOWN, KEYUP; 0 for keys without
 * one) or the character as a UTF-16 unit (CHAR), `state` the modifiers
 * (1 Ctrl, 2 Shift, 4 Alt). Returning false keeps the event from the page.
 */
typedef enum wkeInputKind {
    WKE_INPUT_LBUTTONDOWN = 0,
    WKE_INPUT_LBUTTONUP = 1,
    WKE_INPUT_LBUTTONDBLCLK = 2,
    WKE_INPUT_RBUTTONDOWN = 3,
    WKE_INPUT_RBUTTONUP = 4,
    WKE_INPUT_MOUSEMOVE = 5,
    WKE_INPUT_SETFOCUS = 6,
    WKE_INPUT_KILLFOCUS = 7,
    WKE_INPUT_KEYDOWN = 8,
    WKE_INPUT_KEYUP = 9,
    WKE_INPUT_CHAR = 10
} wkeInputKind;
typedef bool (*wkeInputCallback)(wkeWebView webView, void* param, wkeInputKind kind, int x, int y, int code, int state);
WKE_API void wkeQuilbexOnInput(wkeWebView webView, wkeInputCallback callback, void* param);

/*
 * TLS trust. WebKit trusts the system's certificate authorities. In addition,
 * a server of `host` (a host name or address, compared without regard to case,
 * no port) whose certificate chains to a certificate authority in the PEM file
 * `caPemPath`, matches the host and is within its validity period is accepted
 * for that host. Returns false (and trusts nothing new) when the host is empty
 * or the file holds no certificate. May be called before or after views exist.
 */
WKE_API bool wkeQuilbexAllowCertificate(const char* host, const char* caPemPath);

/*
 * Proxies. Requests to http URLs go through `httpProxy`, to https URLs
 * through `httpsProxy` (URIs such as "http://proxy:3128" or
 * "socks5://proxy:1080"; null or empty: direct), except to the hosts of
 * `ignoreHosts`, separated by commas (a name with its subdomains, an address,
 * or "address/bits"). Both empty: every request goes direct. Until this is
 * called the desktop's proxy settings apply. May be called before or after
 * views exist.
 */
WKE_API void wkeQuilbexSetProxy(const char* httpProxy, const char* httpsProxy, const char* ignoreHosts);

/*
 * Provided by the program, not by the engine: resolves the program's window
 * handle to the GtkFixed that holds that window's children, null for an
 * unknown handle. The engine looks it up at run time in the global scope.
 */
typedef void* (*quilbex_ui_gtk_container_fn)(void* hwnd);
#define QUILBEX_UI_GTK_CONTAINER_SYMBOL "quilbex_ui_gtk_container"

#ifdef __cplusplus
}
#endif

#endif /* QUILBEX_ENGINE_WKE_H */
