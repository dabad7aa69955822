#!/usr/bin/env python3
"""An HTTP server on 127.0.0.1 for the download tests, with the ways a real server answers
and fails.

usage: http_test_server.py PORT_FILE
Listens on a free port of 127.0.0.1 and writes the port number into PORT_FILE once it accepts
connections. Every path is /<kind>/<token>; the query string is ignored, so that a client can
make each address unique and keep the platform's cache out of the way.

  /file/<token>          200, Content-Length, the body below
  /status/<code>/<token> that status with an HTML error page and its Content-Length
  /cut/<token>           Content-Length of the whole body, half of it, then the connection closes
  /gzip/<token>          the body gzip-encoded, Content-Length of the encoded bytes
  /redirect/<token>      302 to /file/<token>
  /empty/<token>         200 with an empty body
  /until-close/<token>   200 without Content-Length, the body ended by closing the connection
  /no-answer/<token>     the connection closes without any answer
  /cacheable/<kind>/...  as <kind>, with headers that let a client cache the answer for an hour
  /chunked/<token>       200, the body in chunks of several sizes, then the last chunk
  /chunked-cut/<token>   as /chunked, but the connection closes after half the chunks
  /chunked-cut-mid/<token>  as /chunked, but the connection closes inside a chunk
  /reset/<token>         200 without Content-Length, half the body, then a connection reset
  /reset-length/<token>  200 with Content-Length, half the body, then a connection reset
  /gzip-cut/<token>      the body gzip-encoded without Content-Length, the connection closed
                         half-way through the encoded bytes
  /gzip-chunked/<token>  the body gzip-encoded and sent in chunks, complete
  /gzip-chunked-cut/<token>  as /gzip-chunked, the last half of the encoded bytes and the last
                         chunk missing
  /gzip-bad/<token>      "gzip" bytes that are not a compressed stream, with their length
  /slow/<token>          Content-Length of the body, then one byte a second
  /hang/<token>          reads the request and never answers (the connection stays open)
  /loop/<token>          302 to itself, for ever
  /huge/<token>          Content-Length of 10 GB, bytes for as long as the client reads
  /huge-chunked/<token>  chunks for as long as the client reads
  /deflate/<token>       the body zlib-wrapped ("Content-Encoding: deflate"), Content-Length
  /deflate-raw/<token>   the body as raw deflate ("Content-Encoding: deflate", as some servers
                         send it), until the connection closes
  /gzip-members/<token>  the body gzip-encoded as two members one after the other
  /chunked-extended/<token>  as /chunked, with chunk extensions and trailer fields
  /http10/<token>        an HTTP/1.0 answer without Content-Length, ended by the close
  /interim/<token>       a 100 Continue answer first, then /file's
  /redirect-relative/<token>  302 to "../file/<token>", a relative path
  /redirect-absolute/<token>  301 to the whole address of /file/<token> (from the Host field)
  /chain/<n>/<token>     n redirects (by 301, 308, 307, 303 and 302 in turn), then /file's answer
  /redirect-https/<token>  302 to an https address
  /length-conflict/<token>  two Content-Length fields that differ
  /transfer-gzip/<token> "Transfer-Encoding: gzip, chunked", a transfer coding never offered
  /gzip-endless/<token>  a gzip stream of empty blocks that never ends and decodes to nothing,
                         for as long as the client reads
  /redirect-http/<token>  302 to /file/<token> on the plain HTTP server (from the TLS ones)
  /conditional/<token>   /file's answer with an ETag and a Last-Modified; 304 when the request's
                         If-None-Match names that ETag
  /modified-since/<token>  /file's answer with a Last-Modified only; 304 when the request's
                         If-Modified-Since is that date
  /proxied/<token>       /file's answer when the request came through a proxy (a Via field),
                         else 403
  /signed-rsa/<token>, /signed-ec/<token>  /file's answer; with ".sig" after the token, its
                         signature by the key of list_key_rsa or list_key_ec (tls_test_servers.py)
  /tampered-rsa/<token>  /file's answer with one byte changed; its ".sig" signs the original
  /file/<token>.sig      404: a list without a signature

Beside the port file, when Python's cryptography package is there, https servers answer the
same paths (see tls_test_servers.py).

The body of a token is the line "<token>\\r\\n" two thousand times (tens of kilobytes, more than
one read of the client).
"""
import gzip
import http.server
import os
import socket
import struct
import sys
import time
import zlib


def chunks_of(data):
    """The data cut into chunks of growing sizes (1, 10, 100, 1000, 1000, ... bytes), each in
    the chunked transfer coding, without the last chunk."""
    out, i, size = [], 0, 1
    while i < len(data):
        part = data[i:i + size]
        out.append(b"%x\r\n" % len(part) + part + b"\r\n")
        i += len(part)
        size = min(size * 10, 1000)
    return out


LAST_CHUNK = b"0\r\n\r\n"


def body_of(token):
    return (token + "\r\n").encode("utf-8") * 2000


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        sys.stderr.write("%s\n" % (format % args))

    def start(self, status, content_type="text/plain"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        if self.cacheable:
            self.send_header("Cache-Control", "max-age=3600")
            self.send_header("Last-Modified", "Mon, 01 Jan 2024 00:00:00 GMT")
        else:
            self.send_header("Cache-Control", "no-cache")

    def send_body(self, status, body, content_type="text/plain", extra=()):
        self.start(status, content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def drop_connection(self):
        self.wfile.flush()
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.close_connection = True

    def reset_connection(self):
        """Ends the connection with a reset (RST), not an orderly close."""
        self.wfile.flush()
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.connection.close()
        self.close_connection = True

    def send_chunked(self, chunks, complete, extra=()):
        self.start(200)
        self.send_header("Transfer-Encoding", "chunked")
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        for chunk in chunks:
            self.wfile.write(chunk)
        if complete:
            self.wfile.write(LAST_CHUNK)
        else:
            self.drop_connection()

    def do_GET(self):
        parts = self.path.split("?", 1)[0].strip("/").split("/")
        if self.path.startswith("http://"):  # through a proxy that forwards the absolute form
            parts = self.path.split("?", 1)[0].split("/", 3)[-1].strip("/").split("/")
        self.cacheable = parts[0] == "cacheable"
        if self.cacheable:
            parts = parts[1:] or [""]
        kind, token = parts[0], parts[-1]
        body = body_of(token)
        if kind == "file" and len(parts) == 2 and not token.endswith(".sig"):
            self.send_body(200, body)
        elif kind == "status" and len(parts) == 3:
            code = int(parts[1])
            page = ("<html><body><h1>%d</h1><p>%s</p></body></html>" % (code, token)).encode("utf-8")
            self.send_body(code, page, "text/html")
        elif kind == "cut":
            self.start(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body[: len(body) // 2])
            self.drop_connection()
        elif kind == "gzip":
            self.send_body(200, gzip.compress(body), extra=[("Content-Encoding", "gzip")])
        elif kind == "redirect":
            self.send_response(302)
            self.send_header("Location", "/file/" + token)
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif kind == "empty":
            self.send_body(200, b"")
        elif kind == "until-close":
            self.start(200)
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body)
            self.drop_connection()
        elif kind == "no-answer":
            self.drop_connection()
        elif kind in ("chunked", "chunked-cut"):
            chunks = chunks_of(body)
            self.send_chunked(chunks if kind == "chunked" else chunks[: len(chunks) // 2], kind == "chunked")
        elif kind == "chunked-cut-mid":
            chunks = chunks_of(body)
            cut = chunks[: len(chunks) // 2]
            cut[-1] = cut[-1][: len(cut[-1]) // 2]
            self.send_chunked(cut, False)
        elif kind in ("reset", "reset-length"):
            self.start(200)
            if kind == "reset-length":
                self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body[: len(body) // 2])
            self.reset_connection()
        elif kind == "gzip-cut":
            packed = gzip.compress(body)
            self.start(200)
            self.send_header("Content-Encoding", "gzip")
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(packed[: len(packed) // 2])
            self.drop_connection()
        elif kind in ("gzip-chunked", "gzip-chunked-cut"):
            packed = gzip.compress(body)
            if kind == "gzip-chunked-cut":
                packed = packed[: len(packed) // 2]
            self.send_chunked(chunks_of(packed), kind == "gzip-chunked", [("Content-Encoding", "gzip")])
        elif kind == "gzip-bad":
            self.send_body(200, b"\x1f\x8b" + body[:100], extra=[("Content-Encoding", "gzip")])
        elif kind == "slow":
            self.start(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            try:
                for i in range(len(body)):
                    self.wfile.write(body[i:i + 1])
                    self.wfile.flush()
                    time.sleep(1)
            except OSError:
                pass
            self.close_connection = True
        elif kind == "hang":
            # Until the client gives up: a read that returns nothing means it closed.
            self.connection.settimeout(None)
            try:
                while self.connection.recv(1024):
                    pass
            except OSError:
                pass
            self.close_connection = True
        elif kind == "loop":
            self.send_response(302)
            self.send_header("Location", "/loop/" + token)
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif kind in ("huge", "huge-chunked"):
            self.start(200)
            block = b"00:00=x\r\n" * 6554
            if kind == "huge":
                self.send_header("Content-Length", str(10 * 1024 ** 3))
            else:
                self.send_header("Transfer-Encoding", "chunked")
                block = b"%x\r\n" % len(block) + block + b"\r\n"
            self.end_headers()
            try:
                for _ in range(10 * 1024 ** 3 // len(block)):
                    self.wfile.write(block)
            except OSError:
                pass
            self.close_connection = True
        elif kind == "deflate":
            self.send_body(200, zlib.compress(body), extra=[("Content-Encoding", "deflate")])
        elif kind == "deflate-raw":
            packer = zlib.compressobj(9, zlib.DEFLATED, -15)
            self.start(200)
            self.send_header("Content-Encoding", "deflate")
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(packer.compress(body) + packer.flush())
            self.drop_connection()
        elif kind == "gzip-members":
            half = len(body) // 2
            packed = gzip.compress(body[:half]) + gzip.compress(body[half:])
            self.send_body(200, packed, extra=[("Content-Encoding", "gzip")])
        elif kind == "chunked-extended":
            chunks = [c.replace(b"\r\n", b";n=\"v;w\"\r\n", 1) for c in chunks_of(body)]
            self.start(200)
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for chunk in chunks:
                self.wfile.write(chunk)
            self.wfile.write(b"0;end\r\nX-Checked: yes\r\nX-Count: %d\r\n\r\n" % len(chunks))
        elif kind == "http10":
            self.wfile.write(b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body)
            self.drop_connection()
        elif kind == "interim":
            self.wfile.write(b"HTTP/1.1 100 Continue\r\n\r\n")
            self.send_body(200, body)
        elif kind == "redirect-relative":
            self.redirect(302, "../file/" + token)
        elif kind == "redirect-absolute":
            self.redirect(301, "http://%s/file/%s" % (self.headers.get("Host"), token))
        elif kind == "chain" and len(parts) == 3:
            left = int(parts[1])
            if left == 0:
                self.send_body(200, body)
            else:
                self.redirect((301, 302, 303, 307, 308)[left % 5], "/chain/%d/%s" % (left - 1, token))
        elif kind == "redirect-http":
            self.redirect(302, "http://127.0.0.1:%d/file/%s" % (HTTP_PORT, token))
        elif kind in ("conditional", "modified-since"):
            tag = '"%s-1"' % token
            date = "Mon, 01 Jan 2024 00:00:00 GMT"
            extra = [("Last-Modified", date)] + ([("ETag", tag)] if kind == "conditional" else [])
            current = (self.headers.get("If-None-Match") == tag if kind == "conditional"
                       else self.headers.get("If-Modified-Since") == date)
            if current:
                self.send_response(304)
                for name, value in extra:
                    self.send_header(name, value)
                self.end_headers()
            else:
                self.send_body(200, body, extra=extra)
        elif kind == "proxied":
            if self.headers.get("Via"):
                self.send_body(200, body)
            else:
                self.send_body(403, b"not through a proxy")
        elif kind in ("signed-rsa", "signed-ec", "tampered-rsa") and SIGNER:
            if token.endswith(".sig"):
                signed = body_of(token[:-4])
                self.send_body(200, SIGNER.signature(kind.split("-")[1], signed))
            elif kind == "tampered-rsa":
                self.send_body(200, b"X" + body[1:])
            else:
                self.send_body(200, body)
        elif kind == "file" and token.endswith(".sig"):
            self.send_body(404, b"no signature")
        elif kind == "redirect-https":
            self.redirect(302, "https://127.0.0.1:1/file/" + token)
        elif kind == "length-conflict":
            self.start(200)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Content-Length", str(len(body) + 1))
            self.end_headers()
            self.wfile.write(body)
        elif kind == "transfer-gzip":
            self.start(200)
            self.send_header("Transfer-Encoding", "gzip, chunked")
            self.end_headers()
            self.wfile.write(b"".join(chunks_of(gzip.compress(body))) + LAST_CHUNK)
        elif kind == "gzip-endless":
            self.start(200)
            self.send_header("Content-Encoding", "gzip")
            self.send_header("Connection", "close")
            self.end_headers()
            empty_stored_blocks = b"\x00\x00\x00\xff\xff" * 2000
            try:
                self.wfile.write(b"\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03")
                for _ in range(10 ** 6):
                    self.wfile.write(empty_stored_blocks)
            except OSError:
                pass
            self.close_connection = True
        else:
            self.send_body(404, b"unknown test path", "text/plain")

    def redirect(self, status, location):
        self.send_response(status)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.end_headers()


HTTP_PORT = 0
SIGNER = None


def make_server():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    return server


def main():
    global HTTP_PORT, SIGNER
    port_file = sys.argv[1]
    server = make_server()
    HTTP_PORT = server.server_address[1]
    try:
        import tls_test_servers
    except ImportError as missing:
        sys.stderr.write("no https test servers: %s\n" % missing)
    else:
        SIGNER = tls_test_servers.start(os.path.dirname(os.path.abspath(port_file)), make_server)
    # Written whole under another name first: a reader never sees half a number.
    with open(port_file + ".new", "w") as f:
        f.write("%d\n" % server.server_address[1])
    os.replace(port_file + ".new", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
