#!/usr/bin/env python3
"""NCID peers for the end-to-end cases, speaking the protocol's lines.

  ncid_peer.py port                      a free TCP port on 127.0.0.1
  ncid_peer.py client PORT FILE          connects, appends every line read to FILE
  ncid_peer.py server PORT CONTROL [RECEIVED]
                                         serves one client: start-up lines, then
                                         each line written into CONTROL (the
                                         file is consumed) as it appears; what
                                         the client sends is appended to RECEIVED;
                                         a gateway's CALL line comes back as a
                                         CID line, as ncidd sends it
Every wait has a deadline: the peer ends by itself after 120 s.
"""
import os
import socket
import sys
import time

DEADLINE = time.monotonic() + 120


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        print(s.getsockname()[1])


def client(port, path):
    while time.monotonic() < DEADLINE:
        try:
            conn = socket.create_connection(("127.0.0.1", int(port)), timeout=1)
            break
        except OSError:
            time.sleep(0.1)
    else:
        sys.exit("no server")
    conn.settimeout(0.5)
    with open(path, "ab", buffering=0) as out:
        while time.monotonic() < DEADLINE:
            try:
                data = conn.recv(4096)
            except socket.timeout:
                continue
            if not data:
                return
            out.write(data)


def answer_to(line):
    """What ncidd answers: a gateway's call goes back to every client as a CID
    line with the CALL line's date and time; REQ: YO is acknowledged."""
    if line == b"REQ: YO":
        return b"ACK: REQ: YO\r\n"
    if not line.startswith(b"CALL: ###DATE"):
        return None
    fields = {}
    for part in line[len(b"CALL: ###"):].rstrip(b"+").split(b"..."):
        for label in (b"DATE", b"LINE", b"NMBR", b"NAME"):
            if part.startswith(label) and label not in fields:
                fields[label] = part[len(label):]
    date = fields.get(b"DATE", b"00000000")
    year = time.strftime("%Y").encode()
    return (b"CID: *DATE*" + date[:4] + year + b"*TIME*" + date[4:8] + b"*LINE*" +
            fields.get(b"LINE", b"-") + b"*NMBR*" + fields.get(b"NMBR", b"") +
            b"*MESG*NONE*NAME*" + fields.get(b"NAME", b"") + b"*\r\n")


def server(port, control, received=os.devnull):
    with socket.socket() as listener:
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", int(port)))
        listener.listen(1)
        listener.settimeout(DEADLINE - time.monotonic())
        conn, _ = listener.accept()
        # A history line before 300 is no call.
        conn.sendall(b"200 Server: test\r\n210 API: 1.0 Feature Set 1\r\n"
                     b"CIDLOG: *DATE*01022026*TIME*0304*LINE*-*NMBR*0399998888*MESG*NONE*NAME*OLD*\r\n"
                     b"250 End of call log\r\n300 End of connection startup\r\n")
        conn.settimeout(0.1)
        pending = b""
        with open(received, "ab", buffering=0) as out:
            while time.monotonic() < DEADLINE:
                try:
                    data = conn.recv(4096)
                    if not data:
                        return
                    out.write(data)
                    pending += data
                    while b"\n" in pending:
                        line, pending = pending.split(b"\n", 1)
                        answer = answer_to(line.rstrip(b"\r"))
                        if answer:
                            conn.sendall(answer)
                except socket.timeout:
                    pass
                if os.path.exists(control):
                    with open(control, "rb") as f:
                        lines = f.read()
                    os.remove(control)
                    conn.sendall(lines)


if __name__ == "__main__":
    {"port": free_port, "client": client, "server": server}[sys.argv[1]](*sys.argv[2:])
