#!/usr/bin/python3
"""The simulator against independent peers: stm32flash writes, verifies,
reads back and starts firmware through the simulated ROM bootloader, and
pymodbus talks to the simulated Modbus firmware.

Run with Debian's /usr/bin/python3 (pymodbus comes from python3-pymodbus).
A missing or broken peer fails the check, naming the package that brings it.

  peers.py stm32flash --sim PROGRAM --generator make-standin-firmware.py \
      --firmware GC3-1.6.9.bin --workdir DIR
  peers.py pymodbus --sim PROGRAM
"""
import argparse
import os
import select
import shutil
import subprocess
import sys
import tty

MISSING = 1


class Simulator:
    """korvane-gripper-sim as a child: one gripper per -g definition, commands on stdin."""

    def __init__(self, program, *grippers):
        args = [program]
        for definition in grippers:
            args += ["-g", definition]
        self.process = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.paths = []
        for line in self.process.stdout:
            if line.strip() == "ready":
                break
            self.paths.append(line.split()[3])

    def command(self, text):
        self.process.stdin.write(text + "\n")
        self.process.stdin.flush()
        answer = self.process.stdout.readline().strip()
        if not answer.startswith("ok"):
            raise AssertionError(f"simulator: {text!r} -> {answer!r}")
        return dict(item.split("=", 1) for item in answer.split()[1:] if "=" in item)

    def close(self):
        try:
            self.process.stdin.write("quit\n")
            self.process.stdin.close()
        except BrokenPipeError:
            pass
        self.process.wait(timeout=10)


def crc16(data):
    crc = 0xFFFF
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return bytes([crc & 0xFF, crc >> 8])


def modbus_exchange(path, request, expected_length, timeout=1.0):
    """A small Modbus RTU master on a raw 8N1 port: one request, one reply."""
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    try:
        tty.setraw(fd)
        frame = request + crc16(request)
        os.write(fd, frame)
        reply = b""
        while len(reply) < expected_length:
            ready, _, _ = select.select([fd], [], [], timeout)
            if not ready:
                break
            reply += os.read(fd, 256)
        return reply
    finally:
        os.close(fd)


def check(condition, message):
    if not condition:
        raise AssertionError(message)
    print("ok:", message)


def version_of(path):
    reply = modbus_exchange(path, bytes([0x09, 0x03, 0x01, 0xF4, 0x00, 0x03]), 11)
    check(len(reply) == 11 and reply[-2:] == crc16(reply[:-2]), f"version reply with a valid CRC: {reply.hex()}")
    code = reply[3:6].rstrip(b"\0").decode()
    return code, tuple(b - 256 if b > 127 else b for b in reply[6:9])


def run_stm32flash(*args):
    result = subprocess.run(["stm32flash", "-m", "8n1", "-b", "115200", *args],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=120)
    if result.returncode != 0:
        print(result.stdout[-3000:])
    return result.returncode


def stm32flash_peer(options):
    if shutil.which("stm32flash") is None:
        print("FAIL: stm32flash is not installed (scripts/packages.sh installs stm32flash)")
        return MISSING
    os.makedirs(options.workdir, exist_ok=True)
    newer = os.path.join(options.workdir, "GC3-1.7.0.bin")
    subprocess.run([sys.executable, options.generator, newer, "GC3", "1.7.0"], check=True)
    readback = os.path.join(options.workdir, "readback.bin")
    dump = os.path.join(options.workdir, "flash.bin")

    sim = Simulator(options.sim, "GC,rom,version=1.6.8")
    try:
        port = sim.paths[0]
        # The carried image, written, verified and started.
        check(run_stm32flash("-w", options.firmware, "-v", "-g", "0x08000000", "-S", "0x08080000", port) == 0,
              "stm32flash wrote, verified and started GC3-1.6.9.bin")
        sim.command("wait Firmware 3000")
        check(version_of(port) == ("GC3", (1, 6, 9)), "the firmware then reports GC3 1.6.9 over Modbus")

        # Into the ROM again through the firmware's reboot request, then
        # another version.
        echo = modbus_exchange(port, bytes([0x09, 0x10, 0x01, 0x90, 0x00, 0x01, 0x02, 0x2A, 0x00]), 8)
        check(echo == bytes.fromhex("0910019000010150"), "reboot request echoed")
        sim.command("wait Rom 2000")
        check(run_stm32flash("-w", newer, "-v", "-g", "0x08080000", "-S", "0x08080000", port) == 0,
              "stm32flash wrote, verified and started GC3-1.7.0.bin at the main address")
        sim.command("wait Firmware 3000")
        check(version_of(port) == ("GC3", (1, 7, 0)), "the firmware then reports GC3 1.7.0")

        # stm32flash's own read-back of the flash equals the file.
        modbus_exchange(port, bytes([0x09, 0x10, 0x01, 0x90, 0x00, 0x01, 0x02, 0x2A, 0x00]), 8)
        sim.command("wait Rom 2000")
        size = os.path.getsize(newer)
        check(run_stm32flash("-r", readback, "-S", f"0x08080000:{size}", port) == 0, "stm32flash read the flash")
        sim.command(f"dump 0x08080000 {size} {dump}")
        image, back, flash = (open(p, "rb").read() for p in (newer, readback, dump))
        check(back == image and flash == image, "what it read back, and the simulated flash, are the image")

        log = sim.command("log")
        check(log["erased"] == "8,8", f"only sector 8 was erased, once per write: {log['erased']}")
        check(log["go"] == "08000000,08080000", f"Go addresses: {log['go']}")
        check(log["mass_erases"] == "0" and log["readout_unprotects"] == "0", "no mass erase, no readout unprotect")

        # Every other test counts on these being seen when they happen.
        check(run_stm32flash("-o", port) == 0 and sim.command("log")["mass_erases"] == "1",
              "stm32flash erased the whole flash, and the mass erase was counted")
        run_stm32flash("-k", port)
        check(sim.command("log")["readout_unprotects"] == "1", "the readout unprotect was counted")
    finally:
        sim.close()

    # A ROM that lists the legacy Erase command instead.
    sim = Simulator(options.sim, "GC,rom,legacy-erase")
    try:
        check(run_stm32flash("-w", newer, "-v", "-g", "0x08000000", "-S", "0x08080000", sim.paths[0]) == 0,
              "stm32flash wrote through a ROM with legacy Erase")
        log = sim.command("log")
        check("43" in log["commands"].split(",") and "44" not in log["commands"].split(","),
              "it used Erase (0x43), not Extended Erase")
        sim.command("wait Firmware 3000")
        check(version_of(sim.paths[0]) == ("GC3", (1, 7, 0)), "and the firmware reports GC3 1.7.0")
    finally:
        sim.close()
    return 0


def pymodbus_peer(options):
    try:
        from pymodbus.client import ModbusSerialClient
        from pymodbus.transaction import ModbusRtuFramer
    except ImportError as error:
        # pymodbus imports serial_asyncio for its serial client: a missing
        # python3-serial-asyncio breaks it too.
        print(f"FAIL: pymodbus cannot be used by {sys.executable}: {error} "
              "(scripts/packages.sh installs python3-pymodbus and python3-serial-asyncio)")
        return MISSING
    sim = Simulator(options.sim, "GC,version=1.6.8", "K01+GB1,version=2.0.1,gb1-version=1.4.-2")
    try:
        sim.command("0 wait Firmware 3000")
        sim.command("1 wait Firmware 3000 1")

        def client(path):
            c = ModbusSerialClient(port=path, framer=ModbusRtuFramer, baudrate=115200, bytesize=8,
                                   parity="N", stopbits=1, timeout=1)
            check(c.connect(), f"pymodbus opened {path}")
            return c

        gc = client(sim.paths[0])
        r = gc.read_holding_registers(500, 3, slave=9)
        check(not r.isError() and r.registers == [0x4743, 0x3301, 0x0608],
              f"registers 500..502 hold 'GC3' 1.6.8: {getattr(r, 'registers', r)}")
        r = gc.read_holding_registers(600, 3, slave=9)
        check(r.isError() and r.exception_code == 2, f"registers 600.. are an illegal address: {r}")
        r = gc.write_registers(400, [0x2A00], slave=9)
        check(not r.isError() and r.address == 400 and r.count == 1, f"writing 0x2A00 to 400 is echoed: {r}")
        gc.close()
        sim.command("0 wait Rom 2000")

        k01 = client(sim.paths[1])
        r = k01.read_holding_registers(3500, 3, slave=9)
        check(not r.isError() and r.registers == [0x4742, 0x3101, 0x04FE], f"its GB1 1.4.-2 at 3500: {r}")
        r = k01.write_registers(3400, [0x2A00], slave=9)
        check(not r.isError() and r.address == 3400 and r.count == 1, f"3400 echoed: {r}")
        k01.close()
        sim.command("1 wait Rom 2000 1")
        status = sim.command("1 status")
        check(status["state"] == "Firmware" and status["line_on_secondary"] == "1",
              "the K01 runs on and hands the line to its GB1's ROM")
    finally:
        sim.close()
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("peer", choices=["stm32flash", "pymodbus"])
    parser.add_argument("--sim", required=True)
    parser.add_argument("--generator")
    parser.add_argument("--firmware")
    parser.add_argument("--workdir")
    options = parser.parse_args()
    try:
        return stm32flash_peer(options) if options.peer == "stm32flash" else pymodbus_peer(options)
    except AssertionError as error:
        print("FAIL:", error)
        return 1


if __name__ == "__main__":
    sys.exit(main())
