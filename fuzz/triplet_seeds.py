#!/usr/bin/env python3
"""Writes the triplet fuzz target's seed inputs: whole sessions an
application plays (open, negotiate, enable, the user submits, each transfer
mechanism to its end) and the hostile triplets found before, so that every
fuzzing run starts from them.

The target reads its input with libFuzzer's FuzzedDataProvider: byte blocks
from the front, integers from the back (most significant byte first, as
few bytes as the range needs). `Input` mirrors the target's reading order;
each method here is one step of the target's session.

usage: triplet_seeds.py FOLDER
"""
import struct
import sys
from pathlib import Path

DG_CONTROL, DG_IMAGE = 1, 2
DATS = [0x0001, 0x0002, 0x0003, 0x0005, 0x0006, 0x0007, 0x0008, 0x0009, 0x000a, 0x0101, 0x0102,
        0x0103, 0x0104, 0x0105, 0x0106, 0x0107, 0x0108, 0x0109, 0x010a, 0x0000, 0x0004, 0x0403]
MSGS = [0x0000, 0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007, 0x0008, 0x0101, 0x0102,
        0x0401, 0x0402, 0x0403, 0x0501, 0x0502, 0x0503, 0x0601, 0x0701, 0x0009, 0x0a01]
(DAT_CAPABILITY, DAT_EVENT, DAT_IDENTITY, DAT_PENDINGXFERS, DAT_SETUPMEMXFER, DAT_SETUPFILEXFER,
 DAT_STATUS, DAT_USERINTERFACE, DAT_IMAGEINFO, DAT_IMAGEMEMXFER, DAT_IMAGENATIVEXFER,
 DAT_IMAGEFILEXFER) = (0x0001, 0x0002, 0x0003, 0x0005, 0x0006, 0x0007, 0x0008, 0x0009, 0x0101,
                       0x0103, 0x0104, 0x0105)
(MSG_GET, MSG_SET, MSG_ENABLEDS, MSG_DISABLEDS, MSG_CLOSEDS, MSG_PROCESSEVENT,
 MSG_ENDXFER) = (0x0001, 0x0006, 0x0502, 0x0501, 0x0402, 0x0601, 0x0701)
TWON_ONEVALUE, TWTY_UINT16, TWTY_FRAME = 5, 4, 8
ICAP_XFERMECH, ICAP_FRAMES = 0x0103, 0x1114
TW_IDENTITY_SIZE = 4 + 8 + 2 + 2 + 34 * 4   # Linux 64-bit layout, packed by 2
STRUCTURE_SIZES = {DAT_IDENTITY: TW_IDENTITY_SIZE, DAT_STATUS: 4, DAT_USERINTERFACE: 2 + 2 + 8,
                   DAT_PENDINGXFERS: 6, DAT_SETUPMEMXFER: 12, DAT_IMAGEINFO: 8 + 8 + 2 + 16 + 2 + 2 + 2 + 2}
TW_IMAGEMEMXFER_SIZE = 2 + 4 * 6 + 4 + 4 + 8
WINDOW_MESSAGE_SIZE = 8 + 8 + 8 + 8


class Input:
    def __init__(self):
        self.front = bytearray()
        self.back = []  # in the order the target consumes them

    def integer(self, low, high, value):
        span = high - low
        count = 0
        while count < 8 and (span >> (8 * count)) > 0:
            count += 1
        raw = value - low
        self.back.extend(((raw >> (8 * (count - 1 - i))) & 0xFF) for i in range(count))

    def boolean(self, value):
        self.integer(0, 255, 1 if value else 0)

    def block(self, data, size):
        assert len(data) <= size
        self.front += bytes(data) + bytes(size - len(data))

    def bytes(self):
        return bytes(self.front) + bytes(reversed(self.back))

    # The target's steps.
    def call(self):
        self.integer(0, 31, 1)  # the application's own identity

    def open(self):
        self.integer(0, 15, 1)
        self.call()

    def submit(self, pictures):
        """pictures: (pixel type, width, height) or (pixel type, raw bytes)."""
        self.integer(0, 15, 0)
        self.integer(0, 3, len(pictures))
        for picture in pictures:
            self.integer(0, 3, picture[0])
            if isinstance(picture[1], bytes):
                self.integer(0, 3, 0)
                self.integer(0, 600, len(picture[1]))
                self.front += picture[1]
            else:
                self.integer(0, 3, 1)
                self.integer(1, 70, picture[1])
                self.integer(1, 50, picture[2])
            self.integer(0, 2000, picture[1] * 100 // 300 if not isinstance(picture[1], bytes) else 100)
            self.integer(0, 2000, 100)

    def triplet(self, dg, dat, msg):
        self.integer(0, 15, 2)
        self.boolean(True)
        self.boolean(dg == DG_CONTROL)
        self.integer(0, 7, 1)
        self.integer(0, len(DATS) - 1, DATS.index(dat))
        self.integer(0, 7, 1)
        self.integer(0, len(MSGS) - 1, MSGS.index(msg))
        self.integer(0, 31, 1)  # with data

    def plain(self, dg, dat, msg, data=b""):
        self.triplet(dg, dat, msg)
        self.block(data, STRUCTURE_SIZES.get(dat, 0))
        self.call()

    def capability(self, msg, cap, container_type, container=None):
        self.triplet(DG_CONTROL, DAT_CAPABILITY, msg)
        self.boolean(False)
        self.integer(0, 0xFFFF, cap)
        self.boolean(False)
        self.boolean(False)
        self.integer(0, 0xFFFF, container_type)
        self.boolean(container is not None)
        if container is not None:
            self.integer(0, 64, len(container))
            self.front += container
            if len(container) >= 2:
                self.boolean(False)
        self.call()

    def memory_transfer(self, length):
        self.triplet(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET)
        self.block(b"", TW_IMAGEMEMXFER_SIZE)
        self.integer(0, 70000, length)
        self.integer(0, 15, 1)  # a buffer
        self.integer(0, 2, 0)   # a pointer the application owns
        self.call()

    def native_transfer(self):
        self.triplet(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET)
        self.call()

    def file_setup(self, suffix, file_format):
        self.triplet(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET)
        self.integer(0, 12, len(suffix))
        self.front += suffix
        self.integer(0, 0xFFFF, file_format)
        self.call()

    def file_transfer(self):
        self.plain(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET)

    def event(self, to_dialog, message):
        self.triplet(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT)
        self.block(message, WINDOW_MESSAGE_SIZE)
        self.boolean(to_dialog)
        self.integer(0, 15, 1)
        self.call()

    def entry_points(self, answer_success=True):
        self.triplet(DG_CONTROL, 0x0403, MSG_SET)
        self.boolean(True)   # of the right size
        self.boolean(True)   # with the manager's DSM_Entry
        self.boolean(answer_success)
        self.call()

    def enable(self):
        self.plain(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, struct.pack("<HH", 1, 0))

    def end_transfer(self):
        self.plain(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER)

    def close(self):
        self.plain(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS)
        self.plain(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS)


def one_value(item_type, value_bytes):
    return struct.pack("<H", item_type) + value_bytes


def mechanism(seed, value):
    seed.capability(MSG_SET, ICAP_XFERMECH, TWON_ONEVALUE, one_value(TWTY_UINT16, struct.pack("<I", value)))


def sessions():
    native = Input()
    native.open()
    native.capability(MSG_GET, ICAP_XFERMECH, TWON_ONEVALUE)
    native.enable()
    native.submit([(2, 40, 30), (1, 33, 20)])
    for _ in range(2):
        native.plain(DG_IMAGE, DAT_IMAGEINFO, MSG_GET)
        native.native_transfer()
        native.end_transfer()
    native.close()
    yield "native-session", native

    memory = Input()
    memory.open()
    mechanism(memory, 2)
    memory.enable()
    memory.submit([(0, 70, 50)])
    memory.plain(DG_IMAGE, DAT_IMAGEINFO, MSG_GET)
    memory.plain(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET)
    for _ in range(3):
        memory.memory_transfer(64)
    memory.memory_transfer(4096)
    memory.memory_transfer(4096)  # once more after the last rows: refused
    memory.end_transfer()
    memory.close()
    yield "memory-session-past-the-end", memory

    file = Input()
    file.open()
    mechanism(file, 1)
    file.enable()
    file.submit([(2, 20, 20), (1, b"BM" + bytes(60))])
    file.file_setup(b".bmp", 2)
    file.file_transfer()
    file.end_transfer()
    file.file_transfer()  # the damaged second picture
    file.end_transfer()
    file.close()
    yield "file-session-damaged-picture", file

    events = Input()
    events.open()
    events.enable()
    events.plain(DG_CONTROL, DAT_STATUS, MSG_PROCESSEVENT)
    events.plain(DG_CONTROL, DAT_IDENTITY, MSG_PROCESSEVENT, b"\x41" * TW_IDENTITY_SIZE)
    events.event(True, struct.pack("<QIIQq", 0, 0x0111, 0, 1, 0)[:WINDOW_MESSAGE_SIZE])
    events.event(False, b"")
    events.close()
    yield "process-event-with-other-dats", events

    twain2 = Input()
    twain2.entry_points()
    twain2.open()
    twain2.capability(0x0a01, 0x1005, 0xffff)  # MSG_RESETALL
    twain2.enable()
    twain2.submit([(1, 30, 20)])
    twain2.native_transfer()
    twain2.end_transfer()
    twain2.close()
    yield "twain2-session", twain2

    frames = Input()
    frames.open()
    frames.capability(MSG_SET, ICAP_FRAMES, TWON_ONEVALUE, one_value(TWTY_FRAME, b"\0\0\0\0"))
    frames.capability(MSG_GET, ICAP_FRAMES, TWON_ONEVALUE)
    frames.capability(MSG_SET, ICAP_FRAMES, TWON_ONEVALUE,
                      one_value(TWTY_FRAME, struct.pack("<8H", 0, 0, 0, 0, 8, 0, 11, 0) + bytes(4)))
    frames.close()
    yield "short-frame-containers", frames


def main():
    folder = Path(sys.argv[1])
    folder.mkdir(parents=True, exist_ok=True)
    for name, seed in sessions():
        (folder / name).write_bytes(seed.bytes())


if __name__ == "__main__":
    main()
