# A page with one text area on 127.0.0.1:PORT that posts its value back on every input event;
# the newest value received (posts may overtake each other) replaces the file OUT. It prints
# the port it listens on, the system's choice when PORT is 0.
#   python3 typed_page.py PORT OUT
import http.server
import os
import sys
import threading

PAGE = b"""<!DOCTYPE html><html><head><meta charset="utf-8"><title>Typed Page</title></head>
<body><textarea id="t" autofocus rows="30" cols="100"></textarea><script>
const t = document.getElementById('t');
let n = 0;
t.addEventListener('input', () => fetch('/value', {method: 'POST', body: ++n + '\\n' + t.value}));
t.focus();
fetch('/value', {method: 'POST', body: ++n + '\\n'});
</script></body></html>"""

port, out = int(sys.argv[1]), sys.argv[2]
newest = [0]
lock = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(PAGE)))
        self.end_headers()
        self.wfile.write(PAGE)

    def do_POST(self):
        seq, _, value = self.rfile.read(int(self.headers["Content-Length"])).partition(b"\n")
        with lock:
            if int(seq) > newest[0]:
                newest[0] = int(seq)
                with open(out + ".tmp", "wb") as f:
                    f.write(value)
                os.replace(out + ".tmp", out)
        self.send_response(204)
        self.end_headers()

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
