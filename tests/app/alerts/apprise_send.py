#!/usr/bin/python3
"""Sends one notification through Apprise, an independent client of the push
services, so that the stand-ins can be checked against it.

usage: apprise_send.py URL TITLE BODY [REAL_ORIGIN LOCAL_ORIGIN]

Services that Apprise only knows at their public address (ServerChan,
DingTalk, Telegram) are reached at LOCAL_ORIGIN instead of REAL_ORIGIN: only
the scheme, host and port of the request change, never its path, query,
headers or body. Exit status 0 when Apprise reports the notification sent.
"""
import sys

import requests

url, title, body = sys.argv[1:4]
if len(sys.argv) > 5:
    real, local = sys.argv[4], sys.argv[5]
    original_post = requests.post

    def post(address, *args, **kwargs):
        if address.startswith(real):
            address = local + address[len(real):]
        return original_post(address, *args, **kwargs)

    requests.post = post

import apprise  # noqa: E402  (after requests is redirected)

notifier = apprise.Apprise()
if not notifier.add(url):
    sys.exit(2)
sys.exit(0 if notifier.notify(body=body, title=title) else 1)
