#!/usr/bin/python3
"""The unattended sign-in as members script it today with the requests
library: the sign page's form token, the sign form, then the lottery draws
five seconds apart until the draws are used up. The same requests as
"quilbex --sign-in", byte for byte: the same URLs, headers in the same order
and form, each on a new connection."""
import json
import re
import sys
import time
import urllib.parse

import requests
from urllib3.util import SKIP_HEADER

DESKTOP = ("Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
           "Chrome/50.0.2661.87 Safari/537.36")
MOBILE = ("Mozilla/5.0 (Linux; U; Android 8.1.0; zh-cn; BLA-AL00 Build/HUAWEIBLA-AL00) AppleWebKit/537.36 "
          "(KHTML, like Gecko) Version/4.0 Chrome/57.0.2987.132 MQQBrowser/8.9 Mobile Safari/537.36")
SIGN_PAGE = "/plugin-dsu_paulsign:sign.html"
SIGN_ACTION = "/plugin.php?id=dsu_paulsign:sign&operation=qiandao&infloat=1&inajax=1"
DRAW = "/api/mobile/index.php?version=6&module=choujiang&do=draw&sign=3f1c9a0e5b7d2468ace013579bdf2468ace01357"


def headers(agent, url, cookie, form=False):
    # The tool sends neither Accept-Encoding nor Connection: None drops the
    # library's own Connection header, SKIP_HEADER its Accept-Encoding.
    h = {"User-Agent": agent, "Accept": "*/*", "Connection": None, "Accept-Encoding": SKIP_HEADER, "Referer": url,
         "Accept-Language": "zh-cn"}
    if form:
        h["Content-Type"] = "application/x-www-form-urlencoded"
    h["Cookie"] = cookie
    return h


def request(method, url, **options):
    # A session of its own per request: a new connection, as the tool makes.
    with requests.Session() as session:
        return session.request(method, url, **options).text


def main():
    forum, api, ca, cookie, message = sys.argv[1:6]
    url = "https://" + forum + SIGN_PAGE
    page = request("GET", url, headers=headers(DESKTOP, url, cookie), verify=ca)
    match = re.search(r"formhash=(.*?)&amp;", page, re.IGNORECASE)
    formhash = match.group(1) if match else ""
    body = "formhash=%s&qdxq=tp&qdmode=1&todaysay=%s" % (formhash, urllib.parse.quote(message, safe="-_.~"))
    url = "https://" + forum + SIGN_ACTION
    reply = request("POST", url, data=body.encode(), headers=headers(MOBILE, url, cookie, True), verify=ca)
    print("签到成功" if "签到成功" in reply else reply[:40])
    url = "https://" + api + DRAW
    for _ in range(10):
        try:
            msg = json.loads(request("POST", url, headers=headers(MOBILE, url, cookie, True), verify=ca)).get("msg", "")
        except ValueError:
            msg = "未登录"
        print(msg)
        if "抽奖次数已用完" in msg or "太快" in msg:
            break
        time.sleep(5)


if __name__ == "__main__":
    main()
