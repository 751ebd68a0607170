"""A misbehaving FTP server for the tests of ftpls: one misbehaviour per mode.

usage: hostile_ftp_server.py MODE [--lifetime SECONDS]

Listens on 127.0.0.1 on a port of the system's choosing, prints that port on
a line of its own on standard output, and serves anonymous logins until
--lifetime seconds (default 60) have passed; then it exits by itself. Only
the listing commands (LIST, MLSD, NLST), FEAT and the few commands a client
needs around them are understood. Standard library only.

Modes (see MODES):
  plain            a friendly server: a small Unix listing, FEAT refused
  reply-escapes    the listing command is refused with terminal escapes
  list-450         the listing command is answered 450 (no files, or busy)
  list-550         the listing command is answered 550
  stall-control    greets, then never answers
  trickle-control  sends its greeting one byte every 50 ms
  stall-data       sends three lines on the data connection, then nothing
  trickle-data     sends a line every 100 ms, 15 lines in all
  slow-feat-list   FEAT and the listing each answered after 0.7 s
  endless-line     one line without an end on the data connection
  huge-listing     300,000 entries
  hostile-names    names made to fool terminals and spreadsheets
"""
import argparse
import asyncio
import sys

PLAIN = (b"-rw-r--r--   1 ann  users      1024 Jan 15  2002 report.txt\r\n"
         b"drwxr-xr-x   2 ann  users      4096 Jan 15  2002 pub\r\n"
         b"-rw-r--r--   1 ann  users         7 Jan 15  2002 name with spaces\r\n")

HUGE_COUNT = 300_000

HOSTILE_NAMES = [
    b"=HYPERLINK(\"http://127.0.0.1/\",\"x\")",
    b"+1+1",
    b"-2+3",
    b"@SUM(A1)",
    b"\ttab-first",
    "report\u202etxt.exe".encode(),
    "iso\u2066late\u2069".encode(),
    "zero\u200bwidth\ufeff".encode(),
    "line\u2028sep".encode(),
    b"clear\x1b[2J\x08\x08",
    "csi\u009b31m".encode(),
]


def unix_line(size, name):
    return b"-rw-r--r--   1 ann  users %10d Jan 15  2002 %s\r\n" % (size, name)


class Session:
    def __init__(self, mode, reader, writer):
        self.mode, self.reader, self.writer = mode, reader, writer
        self.passive = None  # the server of the data connection, and its first client
        self.data = None

    async def reply(self, text):
        line = text.encode() if isinstance(text, str) else text
        if self.mode == "trickle-control":
            for byte in line + b"\r\n":
                self.writer.write(bytes([byte]))
                await self.writer.drain()
                await asyncio.sleep(0.05)
            return
        self.writer.write(line + b"\r\n")
        await self.writer.drain()

    async def run(self):
        await self.reply("220 misbehaving test server (" + self.mode + ")")
        if self.mode == "stall-control":
            await asyncio.sleep(3600)
        while True:
            line = await self.reader.readline()
            if not line:
                return
            words = line.decode("latin-1").strip().split(" ", 1)
            command = words[0].upper()
            handler = getattr(self, "on_" + command.lower(), None)
            if handler is None:
                await self.reply("502 command not implemented")
            elif await handler(words[1] if len(words) > 1 else ""):
                return

    async def on_user(self, _):
        await self.reply("331 any password will do")

    async def on_pass(self, _):
        await self.reply("230 logged in")

    async def on_pwd(self, _):
        await self.reply('257 "/" is the current folder')

    async def on_cwd(self, _):
        await self.reply("250 folder changed")

    async def on_type(self, _):
        await self.reply("200 type set")

    async def on_quit(self, _):
        await self.reply("221 bye")
        return True

    async def on_feat(self, _):
        if self.mode == "slow-feat-list":
            await asyncio.sleep(0.7)
            await self.reply(b"211-Features:\r\n UTF8\r\n211 End")
        else:
            await self.reply("500 FEAT not understood")

    async def open_passive(self):
        if self.passive is not None:
            self.passive.close()
        connected = asyncio.get_running_loop().create_future()

        def accept(reader, writer):
            if not connected.done():
                connected.set_result(writer)
            else:
                writer.close()

        self.passive = await asyncio.start_server(accept, "127.0.0.1", 0)
        self.data = connected
        return self.passive.sockets[0].getsockname()[1]

    async def on_epsv(self, _):
        port = await self.open_passive()
        await self.reply(f"229 Entering Extended Passive Mode (|||{port}|)")

    async def on_pasv(self, _):
        port = await self.open_passive()
        await self.reply(f"227 Entering Passive Mode (127,0,0,1,{port >> 8},{port & 255})")

    async def on_list(self, _):
        refusals = {
            "reply-escapes": b"550 \x1b]52;c;ZXZpbA==\x07\x1b[2J\x08\x08gone",
            "list-450": b"450 try again later",
            "list-550": b"550 no such folder",
        }
        if self.mode in refusals:
            await self.reply(refusals[self.mode])
            return
        if self.data is None:
            await self.reply("425 use PASV or EPSV first")
            return
        if self.mode == "slow-feat-list":
            await asyncio.sleep(0.7)
        await self.reply("150 here it comes")
        writer = await asyncio.wait_for(self.data, 10)
        self.data = None
        try:
            await self.send_listing(writer)
        finally:
            writer.close()
        await self.reply("226 done")

    on_mlsd = on_list
    on_nlst = on_list

    async def send_listing(self, out):
        mode = self.mode
        if mode == "stall-data":
            out.write(PLAIN)
            await out.drain()
            await asyncio.sleep(3600)
        elif mode == "trickle-data":
            for i in range(15):
                out.write(unix_line(i, b"file-%02d" % i))
                await out.drain()
                await asyncio.sleep(0.1)
        elif mode == "endless-line":
            out.write(b"-rw-r--r--   1 ann  users 7 Jan 15  2002 ")
            chunk = b"x" * (1 << 20)
            for _ in range(16 << 10):  # 16 GiB at most
                out.write(chunk)
                await out.drain()
        elif mode == "huge-listing":
            for start in range(0, HUGE_COUNT, 1000):
                out.write(b"".join(unix_line(i, b"file-%06d.txt" % i)
                                   for i in range(start, start + 1000)))
                await out.drain()
        elif mode == "hostile-names":
            out.write(b"".join(unix_line(i, name) for i, name in enumerate(HOSTILE_NAMES)))
            out.write(b"garbage \x1b]0;title\x07 line\r\n")
        else:
            out.write(PLAIN)
        await out.drain()


MODES = ["plain", "reply-escapes", "list-450", "list-550", "stall-control", "trickle-control",
         "stall-data", "trickle-data", "slow-feat-list", "endless-line", "huge-listing",
         "hostile-names"]


async def serve(mode, lifetime):
    sessions = set()

    async def client(reader, writer):
        session = Session(mode, reader, writer)
        task = asyncio.current_task()
        sessions.add(task)
        try:
            await session.run()
        except (ConnectionError, asyncio.TimeoutError):
            pass
        finally:
            sessions.discard(task)
            if session.passive is not None:
                session.passive.close()
            writer.close()

    server = await asyncio.start_server(client, "127.0.0.1", 0)
    print(server.sockets[0].getsockname()[1], flush=True)
    await asyncio.sleep(lifetime)
    server.close()
    for task in list(sessions):
        task.cancel()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mode", choices=MODES)
    parser.add_argument("--lifetime", type=float, default=60)
    args = parser.parse_args()
    asyncio.run(serve(args.mode, args.lifetime))
    return 0


if __name__ == "__main__":
    sys.exit(main())
