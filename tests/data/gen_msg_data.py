#!/usr/bin/env python3
"""Writes the message files used by the message parser tests (tests/data/*.eml) and, for the
well-formed ones, the reading of python3's email package as *.expected.json.

Run once after changing a message here; the tests read the files and never run python."""
import base64
import email
import email.policy
import json
import os
import quopri

HERE = os.path.dirname(os.path.abspath(__file__))
CRLF = b"\r\n"


def b64(data):
    return base64.b64encode(data).decode("ascii")


def b64_lines(data, width=76):
    text = b64(data)
    return "\r\n".join(text[i:i + width] for i in range(0, len(text), width)).encode("ascii")


def word(text, charset, enc="B"):
    data = text.encode(charset)
    if enc == "B":
        return "=?%s?B?%s?=" % (charset, b64(data))
    q = quopri.encodestring(data, header=True).decode("ascii")
    return "=?%s?Q?%s?=" % (charset, q)


def msg(headers, body):
    """headers: list of str or bytes lines; body: bytes with CRLF line breaks."""
    out = b""
    for h in headers:
        out += (h if isinstance(h, bytes) else h.encode("ascii")) + CRLF
    return out + CRLF + body


def crlf(text, charset="ascii"):
    return text.replace("\n", "\r\n").encode(charset)


COMMON = [
    "Date: Tue, 08 Dec 2026 10:30:00 +0800",
    "MIME-Version: 1.0",
]

ZH_SUBJECT = "关于下周项目会议的安排"
ZH_BODY = "张经理：\n\n您好！下周一上午九点在三楼会议室召开项目会议，请准时参加。\n\n此致\n敬礼\n"
TW_SUBJECT = "臺灣繁體中文測試郵件"
TW_BODY = "您好：\n這是一封使用繁體中文編碼的郵件。\n謝謝！\n"
JA_SUBJECT = "会議のお知らせ"
JA_BODY = "山田様\n\n来週の会議は月曜日の午前十時からです。\nよろしくお願いいたします。\n"
KO_SUBJECT = "회의 안내"
KO_BODY = "안녕하세요.\n다음 주 회의는 월요일 오전 10시입니다.\n"
RU_SUBJECT = "Отчёт за месяц"
RU_BODY = "Добрый день!\nОтчёт во вложении.\n"
PNG = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010806000000"
                    "1f15c4890000000d4944415478da63f8cfc0f01f0005000201a5d3"
                    "b3c50000000049454e44ae426082")


def simple_text(charset, subject, body, encoding, sender, to="lisi@example.com",
                subject_charset=None, extra=()):
    data = body.encode(charset)
    if encoding == "base64":
        payload = b64_lines(data)
    elif encoding == "quoted-printable":
        payload = quopri.encodestring(data.replace(b"\n", b"\r\n")).replace(b"\n", b"\r\n")
        payload = payload.replace(b"\r\r\n", b"\r\n")
    else:
        payload = data.replace(b"\n", b"\r\n")
    headers = [
        "From: %s" % sender,
        "To: %s" % to,
        "Subject: %s" % word(subject, subject_charset or charset),
    ] + COMMON + list(extra) + [
        'Content-Type: text/plain; charset="%s"' % charset,
        "Content-Transfer-Encoding: %s" % encoding,
    ]
    return msg(headers, payload)


def charset_messages():
    zh_from = "%s <zhangsan@example.cn>" % word("张三", "gb2312")
    yield "charset_gb2312_base64.eml", simple_text("gb2312", ZH_SUBJECT, ZH_BODY, "base64",
                                                   zh_from)
    gbk_body = "朱镕基总理与王喆先生的会谈纪要\n"  # 镕 and 喆 are outside GB2312
    yield "charset_gbk_qp.eml", simple_text("gbk", "镕喆会谈", gbk_body, "quoted-printable",
                                            zh_from)
    gb18030_body = "扩展汉字：𠀋𡈽𤭢 与欧元符号 €\n"
    yield "charset_gb18030_8bit.eml", simple_text("gb18030", "扩展汉字𠀋", gb18030_body,
                                                  "8bit", zh_from)
    tw_from = "%s <chen@example.com.tw>" % word("陳先生", "big5")
    yield "charset_big5_8bit.eml", simple_text("big5", TW_SUBJECT, TW_BODY, "8bit", tw_from)
    ja_from = "%s <yamada@example.jp>" % word("山田太郎", "iso-2022-jp")
    yield "charset_iso2022jp_7bit.eml", simple_text("iso-2022-jp", JA_SUBJECT, JA_BODY, "7bit",
                                                    ja_from)
    yield "charset_shift_jis_base64.eml", simple_text("shift_jis", JA_SUBJECT, JA_BODY, "base64",
                                                      ja_from)
    yield "charset_euc_kr_8bit.eml", simple_text("euc-kr", KO_SUBJECT, KO_BODY, "8bit",
                                                 "Kim <kim@example.kr>")
    yield "charset_utf8_qp.eml", simple_text("utf-8", "中文主题 with English", ZH_BODY,
                                             "quoted-printable", zh_from)
    yield "charset_iso8859_1_qp.eml", simple_text("iso-8859-1", "Café déjà vu",
                                                  "Voilà, le café est prêt.\n",
                                                  "quoted-printable", "Jean <jean@example.fr>")
    yield "charset_windows1252_8bit.eml", simple_text(
        "windows-1252", "Price in €", "It costs 5 € \u201cnet\u201d \u2013 thanks.\n", "8bit",
        "Bob <bob@example.com>")
    yield "charset_koi8r_base64.eml", simple_text("koi8-r", RU_SUBJECT, RU_BODY, "base64",
                                                  "Ivan <ivan@example.ru>")
    hz = "~{" + "欢迎使用".encode("gb2312").decode("latin-1") + "~}"
    hz = "".join(chr(ord(c) - 0x80) if ord(c) >= 0x80 else c for c in hz) + " HZ\r\n"
    headers = ["From: hz@example.cn", "To: lisi@example.com", "Subject: HZ test"] + COMMON + [
        "Content-Type: text/plain; charset=HZ-GB-2312", "Content-Transfer-Encoding: 7bit"]
    yield "charset_hz_7bit.eml", msg(headers, hz.encode("ascii"))


def utf16_part():
    body = "UTF-16 正文部分\n".encode("utf-16")
    return msg(["From: a@example.com", "To: b@example.com", "Subject: utf-16 part"] + COMMON + [
        'Content-Type: multipart/mixed; boundary="b16"'],
        b"--b16\r\nContent-Type: text/plain; charset=utf-16\r\n"
        b"Content-Transfer-Encoding: base64\r\n\r\n" + b64_lines(body) +
        b"\r\n--b16--\r\n")


def attachment_part(boundary, headers, data):
    headers = headers + [b"Content-Transfer-Encoding: base64"]
    return (("--%s\r\n" % boundary).encode("ascii") + b"\r\n".join(headers) + b"\r\n\r\n" +
            b64_lines(data) + b"\r\n")


def attachment_names():
    bnd = "----=_NextPart_000_0001"
    parts = b"--" + bnd.encode() + b"\r\nContent-Type: text/plain; charset=gb2312\r\n" \
        b"Content-Transfer-Encoding: base64\r\n\r\n" + b64_lines("附件见下。\n".encode("gb2312")) + b"\r\n"
    pct = "".join("%%%02X" % c for c in "年度报告.pdf".encode("utf-8"))
    parts += attachment_part(bnd, [
        b"Content-Type: application/pdf",
        b"Content-Disposition: attachment; filename*=utf-8''" + pct.encode()], b"%PDF-1.4 one")
    long_name = "第一季度销售数据汇总表格最终版本.xlsx".encode("utf-8")
    pieces = ["".join("%%%02X" % c for c in long_name[i:i + 15])
              for i in range(0, len(long_name), 15)]
    cont = [b"Content-Disposition: attachment;"] + [
        ("\tfilename*%d*=%s%s;" % (i, "utf-8''" if i == 0 else "", p)).encode()
        for i, p in enumerate(pieces)]
    cont[-1] = cont[-1].rstrip(b";")
    parts += attachment_part(bnd, [b"Content-Type: application/vnd.ms-excel"] + cont,
                             b"xlsx two")
    ew = word("会议纪要.doc", "gb2312")
    parts += attachment_part(bnd, [
        ('Content-Type: application/msword; name="%s"' % ew).encode(),
        ('Content-Disposition: attachment; filename="%s"' % ew).encode()], b"doc three")
    raw = "合同草案.doc".encode("gbk")
    parts += attachment_part(bnd, [
        b'Content-Type: application/msword; name="' + raw + b'"',
        b'Content-Disposition: attachment; filename="' + raw + b'"'], b"doc four")
    parts += attachment_part(bnd, [
        b'Content-Type: text/plain; name="a.txt"',
        b'Content-Disposition: attachment; filename="a.txt"'], b"first a")
    parts += attachment_part(bnd, [
        b'Content-Type: text/plain; name="a.txt"',
        b'Content-Disposition: attachment; filename="a.txt"'], b"second a")
    parts += b"--" + bnd.encode() + b"--\r\n"
    headers = ["From: %s <wang@example.cn>" % word("王五", "gb2312"), "To: lisi@example.com",
               "Subject: %s" % word("附件名称测试", "gb2312")] + COMMON + [
        "Content-Type: multipart/mixed;", '\tboundary="%s"' % bnd]
    return msg(headers, parts)


def alternative_body(bnd, text, html, charset="gb2312"):
    return ((("--%s\r\nContent-Type: text/plain; charset=%s\r\n"
              "Content-Transfer-Encoding: base64\r\n\r\n") % (bnd, charset)).encode() +
            b64_lines(text.encode(charset)) +
            (("\r\n--%s\r\nContent-Type: text/html; charset=%s\r\n"
              "Content-Transfer-Encoding: quoted-printable\r\n\r\n") % (bnd, charset)).encode() +
            quopri.encodestring(html.encode(charset)).replace(b"\n", b"\r\n") +
            ("\r\n--%s--\r\n" % bnd).encode())


def alternative():
    html = ('<html><head><meta http-equiv="Content-Type" content="text/html; charset=gb2312">'
            '</head><body><p>你好，<b>世界</b></p></body></html>')
    headers = ["From: %s <zhao@example.com>" % word("赵六", "gb2312"), "To: lisi@example.com",
               "Subject: %s" % word("文本与网页", "gb2312")] + COMMON + [
        'Content-Type: multipart/alternative; boundary="alt1"']
    return msg(headers, alternative_body("alt1", "你好，世界\n", html))


def related(nested_in_mixed):
    html = ('<html><body><p>图片如下：</p><img src="cid:logo@example.com">'
            '<img src="http://example.com/remote.png"><img src="pic2.png"></body></html>')
    rel = b"--rel1\r\nContent-Type: multipart/alternative; boundary=\"alt2\"\r\n\r\n" + \
        alternative_body("alt2", "图片如下\n", html, "utf-8") + b"\r\n"
    rel += attachment_part("rel1", [b"Content-Type: image/png", b"Content-ID: <logo@example.com>",
                                    b"Content-Disposition: inline"], PNG)
    rel += attachment_part("rel1", [b"Content-Type: image/png", b"Content-Location: pic2.png"],
                           PNG[::-1])
    rel += attachment_part("rel1", [b'Content-Type: image/gif; name="unused.gif"',
                                    b"Content-ID: <unused@example.com>"], b"GIF89a")
    rel += b"--rel1--\r\n"
    if not nested_in_mixed:
        headers = ["From: pic@example.com", "To: lisi@example.com", "Subject: inline pictures"] + \
            COMMON + ['Content-Type: multipart/related; type="multipart/alternative"; boundary="rel1"']
        return msg(headers, rel)
    body = b"This is a multi-part message in MIME format.\r\n\r\n--mix1\r\n" \
        b"Content-Type: multipart/related; boundary=\"rel1\"\r\n\r\n" + rel + b"\r\n"
    body += attachment_part("mix1", [b'Content-Type: application/zip; name="data.zip"',
                                     b'Content-Disposition: attachment; filename="data.zip"'],
                            b"PK\x03\x04zip")
    body += b"--mix1--\r\n"
    headers = ["From: nest@example.com", "To: lisi@example.com", "Subject: nested parts"] + \
        COMMON + ['Content-Type: multipart/mixed; boundary="mix1"']
    return msg(headers, body)


def uuencode_body():
    import binascii
    data = b"Hello from a uuencoded file.\n" * 3
    lines = [binascii.b2a_uu(data[i:i + 45]).rstrip(b"\n").replace(b" ", b"`")
             for i in range(0, len(data), 45)]
    body = b"See the attached file.\r\n\r\nbegin 644 hello.txt\r\n" + b"\r\n".join(lines) + \
        b"\r\n`\r\nend\r\n\r\nBye.\r\n"
    headers = ["From: uu@example.com", "To: lisi@example.com", "Subject: uuencoded"] + COMMON
    return msg(headers, body)


def gbk_raw_headers():
    headers = [b"From: " + "李四".encode("gbk") + b" <lisi@example.com>",
               b"To: " + "王五".encode("gbk") + b" <wangwu@example.com>",
               b"Subject: " + "未声明字符集的中文主题".encode("gbk"),
               b"Date: Tue, 08 Dec 2026 10:30:00 +0800"]
    return msg(headers, "正文也是GBK编码。\r\n".encode("gbk"))


def attached_message():
    inner = msg(["From: inner@example.com", "To: lisi@example.com",
                 "Subject: %s" % word("原始邮件", "utf-8")] + COMMON +
                ["Content-Type: text/plain; charset=utf-8"], "内层正文\r\n".encode("utf-8"))
    body = b"--fw1\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n" + \
        "请看转发的邮件。\r\n".encode("utf-8") + \
        b"--fw1\r\nContent-Type: message/rfc822\r\nContent-Disposition: inline\r\n\r\n" + \
        inner + b"\r\n--fw1--\r\n"
    headers = ["From: fw@example.com", "To: lisi@example.com", "Subject: Fw: forwarded"] + \
        COMMON + ['Content-Type: multipart/mixed; boundary="fw1"']
    return msg(headers, body)


def utf8_subject_in_gb2312_message():
    """Raw UTF-8 header text in a message whose body is declared gb2312, with the address
    list forms real mail writes: an empty group, a named group, an escaped quote in a name,
    a local user, the old "addr (Name)" form, and a lower-case date folded before its zone."""
    headers = ['From: "Zhang \\"Z\\" San" <zhang@example.cn>',
               "To: undisclosed-recipients:;",
               'Cc: Team: a@example.com, "Lee, Ann" <ann@example.com>;, root,',
               " li@example.com (Li Si)",
               "Subject: 你好 =?gbk?B?1tDOxA==?= world",
               "Date: wed,  9 dec 2026  10:00:00",
               " +0800",
               "MIME-Version: 1.0",
               "Content-Type: text/plain; charset=gb2312",
               "Content-Transfer-Encoding: 8bit"]
    return "\r\n".join(headers).encode("utf-8") + b"\r\n\r\n" + \
        "正文是GBK编码。\r\n".encode("gbk")


def folded_quoted_boundary():
    """The quoted boundary is folded over two lines: unfolded it holds a blank."""
    body = (b"--=_fold ed\r\nContent-Type: text/plain\r\n\r\nfolded boundary body\r\n"
            b"--=_fold ed\r\nContent-Type: application/octet-stream; name=\"data.bin\"\r\n"
            b"Content-Transfer-Encoding: base64\r\n\r\n" + b64_lines(b"\x00\x01data") +
            b"\r\n--=_fold ed--\r\n")
    return msg(["From: a@example.com", "Subject: folded boundary"] + COMMON + [
        'Content-Type: multipart/mixed; boundary="=_fold', ' ed"'], body)


def digest_parts():
    """The parts of a digest have no Content-Type: each is an attached message."""
    item = "--dg1\r\n\r\nFrom: x@example.com\r\nSubject: digest item %d\r\n\r\nitem %d\r\n"
    body = (item % (1, 1) + item % (2, 2) + "--dg1--\r\n").encode("ascii")
    return msg(["From: list@example.com", "Subject: digest"] + COMMON + [
        'Content-Type: multipart/digest; boundary="dg1"'], body)


def list_footer_after_html():
    """A list server adds a text part after the HTML mail: shown beside nothing, kept as a file."""
    body = (b"--ft1\r\nContent-Type: multipart/alternative; boundary=\"al1\"\r\n\r\n"
            b"--al1\r\nContent-Type: text/plain\r\n\r\nthe mail\r\n"
            b"--al1\r\nContent-Type: text/html\r\n\r\n<p>the mail</p>\r\n--al1--\r\n"
            b"--ft1\r\nContent-Type: text/plain\r\n\r\nlist footer: unsubscribe\r\n"
            b"--ft1--\r\n")
    return msg(["From: list@example.com", "Subject: list mail"] + COMMON + [
        'Content-Type: multipart/mixed; boundary="ft1"'], body)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def expected(data):
    m = email.message_from_bytes(data, policy=email.policy.default)
    plain = m.get_body(preferencelist=("plain",))
    html = m.get_body(preferencelist=("html",))
    return {
        "subject": str(m["subject"] or ""),
        "from": str(m["from"] or ""),
        "text": plain.get_content() if plain is not None else "",
        "has_html": html is not None,
        "attachments": [p.get_filename() or "" for p in m.iter_attachments()
                        if p.get_content_type() != "multipart/alternative"],
    }


def main():
    files = list(charset_messages()) + [
        ("charset_utf16_part.eml", utf16_part()),
        ("attachment_names.eml", attachment_names()),
        ("alternative_text_html.eml", alternative()),
        ("related_inline_pictures.eml", related(False)),
        ("nested_mixed_related_alternative.eml", related(True)),
        ("attached_message_rfc822.eml", attached_message()),
        ("header_utf8_subject_in_gb2312_message.eml", utf8_subject_in_gb2312_message()),
        ("folded_quoted_boundary.eml", folded_quoted_boundary()),
        ("digest_parts.eml", digest_parts()),
        ("list_footer_after_html.eml", list_footer_after_html()),
    ]
    for name, data in files:
        write(name, data)
        with open(os.path.join(HERE, name.replace(".eml", ".expected.json")), "w",
                  encoding="utf-8") as f:
            json.dump(expected(data), f, ensure_ascii=False, indent=1)
            f.write("\n")
    write("uuencode_in_body.eml", uuencode_body())
    write("gbk_headers_no_charset.eml", gbk_raw_headers())


if __name__ == "__main__":
    main()
