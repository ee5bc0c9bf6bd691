#!/usr/bin/python3
"""Measures "quilbex --sign-in" against two peers in the same run:
peer_requests.py (Python with requests) and peer_libcurl (bare C over
libcurl, the physical limit). Each signs in and draws three times (plus the
draw that says they are used up) against the local services, in turn, each on
a freshly reset service. Each run must be accepted (signed in, three draws
won, then "used up"), and each peer's requests must be the tool's byte for
byte, or no figure is given. Reports the median CPU time (user + system) and
peak resident memory of each process and the quilbex/peer ratios.

The tool runs twice a round, with every alert channel configured both times:
once alerting on failure only (none is sent, since the run signs in), and
once alerting always, so that the run's one alert goes out on all eleven
channels, to the push services' stand-ins (started by quilbex-sim) and to a
local mail server. Every one of those alerts must have been accepted.

Both programs are started through bench_daily_rusage (built beside the other
benchmarks), which forks them from a small process: a child that this Python
script forked itself would report at least the script's own peak memory.

With QUILBEX_CLI_DEB naming a quilbex-cli package, the program measured is
the one that package installs, unpacked with dpkg-deb, instead of BIN_DIR's.

usage: measure.py BIN_DIR [ROUNDS [RUSAGE_RUN [PEER_LIBCURL]]]"""
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import urllib.request

COOKIE = "BBS_UNAME=%E5%BC%A0%E4%B8%89; UM_distinctid=sim-member-0001"
MESSAGE = "今天也要加油"
# The push services' accounts, as quilbex-sim's stand-ins take them
# ("KEY[,SECRET[,CHAT]]") and as Config.ini names them.
PUSH_ACCOUNTS = {
    "webhook": "benchWebhookKey", "serverchan": "SCT0000bench", "pushplus": "0123456789abcdef0123456789abcdef",
    "bark": "benchdevicekey", "wecom": "00000000-1111-2222-3333-444444444444",
    "dingtalk": "benchaccesstoken,SECbenchsecret", "feishu": "00000000-1111-2222-3333-555555555555,benchsecret",
    "telegram": "123456:bench-token,,123456789", "ntfy": "quilbex-bench,tk_bench", "gotify": "AbenchToken",
}
MAIL_USER, MAIL_PASSWORD = "member@example.com", "secret"


def notify_section(when, push, mail_port):
    """Every alert channel configured as a member would: at the push
    services' own hosts when `push` is None (nothing may be sent there), else
    at the stand-ins whose origins `push` holds, and the mail server at
    `mail_port`."""
    def at(service, default):
        return default if push is None else push[service]
    return ("[NOTIFY]\r\nwhen=%s\r\n" % when +
            "webhook=%s/benchWebhookKey.send?title={title}&desp={text}\r\n" % at("webhook", "https://push.example.com") +
            "smtp=%s\r\nsmtp_user=%s\r\n" % (
                "smtps://mail.example.com:465" if push is None else "smtp://127.0.0.1:%d" % mail_port, MAIL_USER) +
            "smtp_password=%s\r\nmail_from=%s\r\nmail_to=%s\r\n" % (MAIL_PASSWORD, MAIL_USER, MAIL_USER) +
            "serverchan=SCT0000bench\r\nserverchan_server=%s\r\n" % at("serverchan", "https://sctapi.ftqq.com") +
            "pushplus=0123456789abcdef0123456789abcdef\r\npushplus_server=%s\r\n" % at(
                "pushplus", "https://www.pushplus.plus") +
            "bark=benchdevicekey\r\nbark_server=%s\r\n" % at("bark", "https://bark.example.com") +
            "wecom=00000000-1111-2222-3333-444444444444\r\nwecom_server=%s\r\n" % at(
                "wecom", "https://qyapi.weixin.qq.com") +
            "dingtalk=benchaccesstoken\r\ndingtalk_secret=SECbenchsecret\r\ndingtalk_server=%s\r\n" % at(
                "dingtalk", "https://oapi.dingtalk.com") +
            "feishu=00000000-1111-2222-3333-555555555555\r\nfeishu_secret=benchsecret\r\nfeishu_server=%s\r\n" % at(
                "feishu", "https://open.feishu.cn") +
            "telegram_token=123456:bench-token\r\ntelegram_chat=123456789\r\ntelegram_api=%s\r\n" % at(
                "telegram", "https://api.telegram.org") +
            "ntfy=%s/quilbex-bench\r\nntfy_token=tk_bench\r\n" % at("ntfy", "https://ntfy.example.com") +
            "gotify=%s\r\ngotify_token=AbenchToken\r\n" % at("gotify", "https://gotify.example.com"))


def run_measured(rusage_run, argv, env=None):
    with tempfile.NamedTemporaryFile(mode="r", prefix="quilbex-bench-usage-") as report:
        child = subprocess.run([rusage_run, report.name] + argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               env=env)
        output = child.stdout.decode("utf-8", "replace")
        if child.returncode != 0:
            sys.exit("%s could not be measured:\n%s" % (argv[0], output))
        status, cpu, peak = report.read().split()
    if int(status) != 0:
        sys.exit("%s failed (%s):\n%s" % (argv[0], status, output))
    if "签到成功" not in output or output.count("恭喜您抽中") != 3 or "抽奖次数已用完" not in output:
        sys.exit("%s was not accepted by the services:\n%s" % (argv[0], output))
    if "提醒" in output:
        sys.exit("%s could not send an alert:\n%s" % (argv[0], output))
    return float(cpu), int(peak)


def fetch(url, method="GET"):
    return urllib.request.urlopen(urllib.request.Request(url, method=method)).read()


def main():
    bin_dir = os.path.abspath(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    rusage_run = os.path.abspath(sys.argv[3] if len(sys.argv) > 3 else
                                 os.path.join(bin_dir, os.pardir, "bench", "bench_daily_rusage"))
    peer_c = os.path.abspath(sys.argv[4] if len(sys.argv) > 4 else
                             os.path.join(bin_dir, os.pardir, "bench", "bench_daily_peer_libcurl"))
    pushes = sum((["--push", "%s=%s" % account] for account in PUSH_ACCOUNTS.items()), [])
    sim = subprocess.Popen([os.path.join(bin_dir, "quilbex-sim"), "--any-ports"] + pushes, stdout=subprocess.PIPE,
                           text=True)
    hosts, push = {}, {}
    mail = None
    try:
        for line in sim.stdout:
            name, value = line.split()
            if name.startswith("push."):
                push[name[len("push."):]] = value
            hosts[name] = value.split("://")[-1]
            if name == "ca":
                break
        spool = tempfile.mkdtemp(prefix="quilbex-bench-mail-")
        mail = subprocess.Popen(["/usr/bin/python3", os.path.join(os.path.dirname(__file__), os.pardir, os.pardir, "sim",
                                                                  "smtp_server.py"),
                                 "--cert-dir", os.path.dirname(hosts["ca"]), "--spool", spool, "--user", MAIL_USER,
                                 "--password", MAIL_PASSWORD], stdout=subprocess.PIPE, text=True)
        mail_port = int(mail.stdout.readline())
        folder = tempfile.mkdtemp(prefix="quilbex-bench-daily-")
        package = os.environ.get("QUILBEX_CLI_DEB")
        if package:
            subprocess.run(["dpkg-deb", "-x", package, os.path.join(folder, "root")], check=True)
            program = os.path.join(folder, "root", "usr", "lib", "quilbex", "quilbex")
        else:
            program = os.path.join(folder, "quilbex")
            shutil.copy(os.path.join(bin_dir, "quilbex"), folder)
        common = "[HOSTS]\r\nforum=%s\r\napi=%s\r\nquote=%s\r\naccount=%s\r\n[TLS]\r\nca_file=%s\r\n" % (
            hosts["forum"], hosts["api"], hosts["quote"], hosts["account"], hosts["ca"])
        configs = {}
        for when, targets in (("failure", None), ("always", push)):
            configs[when] = os.path.join(folder, "Config-%s.ini" % when)
            with open(configs[when], "w") as config:
                config.write(common + notify_section(when, targets, mail_port))
        # Beside the program, where it reads the cookie when QUILBEX_CONFIG names its settings.
        with open(os.path.join(os.path.dirname(program), "Cookie.ini"), "w") as cookie:
            cookie.write("[COOKIE]\r\ncookie=%s\r\n" % COOKIE)
        control = "http://%s" % hosts["control"]
        ours, alerting, peer, bare = [], [], [], []
        peer_args = [hosts["forum"], hosts["api"], hosts["ca"], COOKIE, MESSAGE]
        for _ in range(rounds):
            for figures, when in ((alerting, "always"), (ours, "failure")):
                fetch(control + "/reset", "POST")
                env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS="", QUILBEX_CONFIG=configs[when])
                figures.append(run_measured(rusage_run, [program, "--sign-in", "--message", MESSAGE], env))
            requests_ours = fetch(control + "/log")
            for figures, argv in ((peer, ["/usr/bin/python3", os.path.join(os.path.dirname(__file__),
                                                                           "peer_requests.py")]),
                                  (bare, [peer_c])):
                fetch(control + "/reset", "POST")
                figures.append(run_measured(rusage_run, argv + peer_args))
                if fetch(control + "/log") != requests_ours:
                    sys.exit("%s's requests differ from the tool's:\n%s\n----\n%s" % (
                        argv[-1], requests_ours.decode("utf-8", "replace"),
                        fetch(control + "/log").decode("utf-8", "replace")))
        shutil.rmtree(folder)
        mails = len([name for name in os.listdir(spool) if name.endswith(".json")])
        shutil.rmtree(spool)
    finally:
        if mail:
            mail.terminate()
            mail.wait()
        sim.terminate()
        taken = dict(re.findall(r"^push\.(\w+) (\d+)$", sim.communicate()[0], re.M))
    # Every run that alerted always sent one alert on every channel, and each was taken.
    for service in PUSH_ACCOUNTS:
        if int(taken.get(service, 0)) != rounds:
            sys.exit("the %s stand-in took %s alerts in %d runs" % (service, taken.get(service, 0), rounds))
    if mails != rounds:
        sys.exit("the mail server took %d alerts in %d runs" % (mails, rounds))
    def median(figures, index):
        return statistics.median(f[index] for f in figures)

    print("unattended sign-in, 3 draws, every alert channel configured, median of %d rounds" % rounds)
    for label, tool in (("none sent", ours), ("one alert sent on all 11 channels", alerting)):
        print(" quilbex, %s:" % label)
        for name, figures in (("python-requests", peer), ("C libcurl", bare)):
            cpu, rss = (median(tool, 0), median(figures, 0)), (median(tool, 1), median(figures, 1))
            print("  CPU time  quilbex %.3f s   %s %.3f s   ratio %.2fx" % (cpu[0], name, cpu[1], cpu[0] / cpu[1]))
            print("  peak RSS  quilbex %d KiB   %s %d KiB   ratio %.2fx" % (rss[0], name, rss[1], rss[0] / rss[1]))

if __name__ == "__main__":
    main()
