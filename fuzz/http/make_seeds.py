#!/usr/bin/env python3
"""Writes the seed inputs of the http_response target into
fuzz/corpus/http_response/: the replies the local forum, mobile API and quote
service give (sign page, sign result XML, lottery and quote JSON), as raw
replies and as well-formed bodies, with chunked and gzip variants and
redirects. Run from the repository root."""
import gzip
import os

OUT = os.path.join("fuzz", "corpus", "http_response")

SIGN_PAGE = ('<html><head><title>每日签到</title></head><body>\n'
             '<a href="member.php?mod=logging&amp;action=logout&amp;formhash=4f2a9c1e&amp;mobile=2">退出</a>\n'
             '<form id="qiandao" method="post" action="plugin.php?id=dsu_paulsign:sign&operation=qiandao'
             '&infloat=1&sign_as=1&inajax=1">\n'
             '<input type="hidden" name="formhash" value="4f2a9c1e">\n</form>\n</body></html>').encode("gbk")
SIGN_XML = ('<?xml version="1.0" encoding="utf-8"?>\n<root><![CDATA[<div class="c">\r\n'
            '恭喜你签到成功!获得随机奖励 金币 3 .</div>]]></root>').encode("gbk")
LOTTERY = '{"ret":0,"msg":"恭喜您抽中 金币 x5"}'.encode("gbk")
LOTTERY_TOO_FAST = '{"ret":-2,"msg":"您抽奖太快了，请稍后再试"}'.encode("gbk")
QUOTE = '{"code":200,"data":{"id":1024,"title":"\\u5343\\u91cc\\u4e4b\\u884c\\uff0c\\u59cb\\u4e8e\\u8db3\\u4e0b"}}'.encode()
HOME = '<html><head><title>社区</title></head><body>欢迎回来，quilbex</body></html>'.encode("gbk")


def head(status, lines):
    return ("HTTP/1.1 %s\r\n" % status + "".join(l + "\r\n" for l in lines) + "\r\n").encode()


def with_length(status, lines, body):
    return head(status, lines + ["Content-Length: %d" % len(body)]) + body


def chunks(body, size):
    out = b""
    for at in range(0, len(body), size):
        piece = body[at:at + size]
        out += b"%x\r\n" % len(piece) + piece + b"\r\n"
    return out + b"0\r\n\r\n"


def with_chunks(status, lines, body, size=16):
    return head(status, lines + ["Transfer-Encoding: chunked"]) + chunks(body, size)


HTML = ["Server: nginx", "Content-Type: text/html; charset=gbk"]
XML = ["Server: nginx", "Content-Type: text/xml; charset=utf-8"]
JSON = ["Server: nginx", "Content-Type: application/json; charset=utf-8"]

RAW = {
    "sign_page": with_length("200 OK", HTML, SIGN_PAGE),
    "sign_page_chunked": with_chunks("200 OK", HTML, SIGN_PAGE, 64),
    "sign_xml": with_length("200 OK", XML, SIGN_XML),
    "sign_xml_chunked": with_chunks("200 OK", XML, SIGN_XML, 7),
    "sign_xml_empty": with_length("200 OK", XML, b""),
    "lottery": with_length("200 OK", JSON, LOTTERY),
    "lottery_too_fast_chunked": with_chunks("200 OK", JSON, LOTTERY_TOO_FAST, 5),
    "quote": with_length("200 OK", JSON, QUOTE),
    "quote_chunked_ext": head("200 OK", JSON + ["Transfer-Encoding: chunked"]) +
        b"1a;name=value\r\n" + QUOTE[:26] + b"\r\n" + b"%X\r\n" % (len(QUOTE) - 26) + QUOTE[26:] +
        b"\r\n0\r\nX-Trailer: end\r\n\r\n",
    "quote_gzip": with_length("200 OK", JSON + ["Content-Encoding: gzip"], gzip.compress(QUOTE, mtime=0)),
    "lottery_gzip_chunked": with_chunks("200 OK", JSON + ["Content-Encoding: gzip"],
                                        gzip.compress(LOTTERY, mtime=0), 9),
    "quote_bad_gateway": with_length("502 Bad Gateway", ["Content-Type: text/html"],
                                     b"<html><body>502 Bad Gateway</body></html>"),
    "home_cookies": with_length("200 OK", HTML + ["Set-Cookie: BBS_UNAME=quilbex; path=/",
                                                 "Set-Cookie: UM_distinctid=17c2a; path=/",
                                                 "Set-Cookie: auth=deleted; expires=Thu, 01 Jan 1970 00:00:01 GMT"],
                                HOME),
    "close_delimited_http10": b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + HOME,
    "continue_then_ok": b"HTTP/1.1 100 Continue\r\n\r\n" + with_length("200 OK", JSON, LOTTERY),
    "no_content": head("204 No Content", ["Server: nginx"]),
    "not_modified": head("304 Not Modified", ["ETag: \"5f1\""]),
    "redirect_relative_loop": with_length("302 Found", ["Location: /plugin.php?id=dsu_paulsign:sign"], b""),
    "redirect_other_host": with_length("301 Moved Permanently", ["Location: http://bbs.example.com/"], b"moved"),
    "redirect_https": with_length("302 Found", ["Location: https://127.0.0.1:1/"], b""),
    "redirect_see_other": with_length("303 See Other", ["Location: //127.0.0.1:1/x"], b"see"),
    "length_longer_than_body": head("200 OK", JSON + ["Content-Length: 400"]) + LOTTERY,
    "chunk_cut": head("200 OK", JSON + ["Transfer-Encoding: chunked"]) + b"40\r\n" + QUOTE[:20],
    "folded_header": b"HTTP/1.1 200 OK\r\nX-Long: one\r\n two\r\nContent-Length: 2\r\n\r\nok",
    "bare_lf": b"HTTP/1.1 200 OK\nContent-Length: 2\n\nok",
    "not_http": b"SSH-2.0-OpenSSH_9.2\r\n",
}
# Raw replies that ask http_request not to follow redirects (flag bit 2).
NO_REDIRECT = {"redirect_relative_loop", "redirect_other_host", "redirect_see_other"}

# Raw replies to other methods (flag bits 6-7: 1 POST, 2 HEAD, 3 PUT).
OTHER_METHODS = {
    "post_redirect_found": (0x40, with_length("302 Found", ["Location: /forum.php"], b"")),
    "post_see_other": (0x40, with_length("303 See Other", ["Location: /plugin.php?id=dsu_paulsign:sign"], b"abc")),
    "post_sign_xml": (0x40, RAW["sign_xml"]),
    "head_sign_page": (0x80, RAW["sign_page"]),
    "put_temporary_redirect": (0xC0, with_length("307 Temporary Redirect", ["Location: /again"], b"")),
}

# Well-formed replies: flags, status index, chunk seed, body.
WELL_FORMED = {
    "wf_lottery_length": (0x01, 0, 0, LOTTERY),
    "wf_sign_xml_chunked": (0x02, 0, 5, SIGN_XML),
    "wf_sign_page_close": (0x03, 0, 0, SIGN_PAGE),
    "wf_quote_gzip_chunked_cookies": (0x1A, 0, 3, gzip.compress(QUOTE, mtime=0)),
    "wf_quote_json_headers": (0x21, 0, 0, QUOTE),
    "wf_bad_gateway_chunked": (0x32, 7, 7, b"<html><body>502 Bad Gateway</body></html>"),
    "wf_empty_chunked": (0x02, 0, 1, b""),
    "wf_binary_length": (0x09, 3, 0, bytes(range(256))),
}

os.makedirs(OUT, exist_ok=True)
for name, reply in RAW.items():
    flags = 0x04 if name in NO_REDIRECT else 0x00
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(bytes([flags]) + reply)
for name in NO_REDIRECT:
    with open(os.path.join(OUT, name + "_followed"), "wb") as f:
        f.write(b"\x00" + RAW[name])
for name, (flags, reply) in OTHER_METHODS.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(bytes([flags]) + reply)
for name, (flags, status, seed, body) in WELL_FORMED.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(bytes([flags, status, seed]) + body)
