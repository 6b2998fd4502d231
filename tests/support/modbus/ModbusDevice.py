#!/usr/bin/python3
"""A Modbus TCP device for tests and for trying the service: pymodbus 3.0 (Debian 12)
serving the values of a JSON map on 127.0.0.1.

    ModbusDevice.py --map device.json [--port 5020]

The map names units, each with a list of entries:

    {"1": [{"table": "holding", "address": 100, "type": "float32", "value": 45.2},
           {"table": "holding", "address": 200, "type": "int16", "scale": 0.1, "value": 21.5},
           {"table": "holding", "address": 300, "type": "float32", "order": "CDAB", "value": 1},
           {"table": "holding", "address": 400, "registers": [0, 0]},
           {"table": "coil", "address": 5, "bits": [1, 0]}]}

Only the addresses in the map exist: a read that touches any other gets the
exception "illegal data address". With --port 0 (the default) the system picks a
free port. Standard output says "listening on 127.0.0.1:<port>" once requests
are served, then one line per request ("request <unit> <table> <address>
<count>") and per write ("write <unit> <table> <address> <values>"), so a
test can wait for it and count what it was asked.
"""
import argparse
import asyncio
import json
import logging
import struct

from pymodbus.datastore import ModbusServerContext, ModbusSlaveContext, ModbusSparseDataBlock
from pymodbus.server.async_io import ModbusTcpServer

TABLES = {"coil": "co", "discrete": "di", "input": "ir", "holding": "hr"}
# Function-code letters of the data store, back to table names.
STORE_NAMES = {"c": "coil", "d": "discrete", "i": "input", "h": "holding"}
FORMATS = {"bool": ">H", "int16": ">h", "uint16": ">H", "int32": ">i", "uint32": ">I",
           "float32": ">f", "float64": ">d"}


def registers(entry):
    """The wire registers of a typed value: big-endian, then the word order applied."""
    kind = entry["type"]
    value = entry["value"]
    if "scale" in entry:
        value = round(value / entry["scale"])
    elif kind not in ("float32", "float64"):
        value = int(value)
    data = struct.pack(FORMATS[kind], value)
    words = [data[i:i + 2] for i in range(0, len(data), 2)]
    order = entry.get("order", "ABCD").upper()
    if order in ("CDAB", "DCBA"):
        words.reverse()
    if order in ("BADC", "DCBA"):
        words = [w[::-1] for w in words]
    return [struct.unpack(">H", w)[0] for w in words]


class LoggedContext(ModbusSlaveContext):
    """One unit's data store that says what it is asked."""

    def __init__(self, unit, **blocks):
        super().__init__(zero_mode=True, **blocks)
        self.unit = unit

    def validate(self, fc_as_hex, address, count=1):
        table = STORE_NAMES[self.decode(fc_as_hex)]
        print(f"request {self.unit} {table} {address} {count}", flush=True)
        return super().validate(fc_as_hex, address, count)

    def setValues(self, fc_as_hex, address, values):
        table = STORE_NAMES[self.decode(fc_as_hex)]
        print(f"write {self.unit} {table} {address} {' '.join(str(int(v)) for v in values)}",
              flush=True)
        super().setValues(fc_as_hex, address, values)


def unit_context(unit, entries):
    values = {name: {} for name in TABLES}
    for entry in entries:
        table = entry["table"]
        data = entry.get("bits") or entry.get("registers") or registers(entry)
        for offset, word in enumerate(data):
            values[table][entry["address"] + offset] = int(word)
    blocks = {TABLES[name]: ModbusSparseDataBlock(v) for name, v in values.items()}
    return LoggedContext(unit, **blocks)


async def serve(args):
    with open(args.map, encoding="utf-8") as f:
        units = json.load(f)
    slaves = {int(unit): unit_context(int(unit), entries) for unit, entries in units.items()}
    server = ModbusTcpServer(ModbusServerContext(slaves=slaves, single=False),
                             address=("127.0.0.1", args.port), allow_reuse_address=True)
    task = asyncio.create_task(server.serve_forever())
    await server.serving
    port = server.server.sockets[0].getsockname()[1]
    print(f"listening on 127.0.0.1:{port}", flush=True)
    await task


def main():
    # The library's own reports of every closed connection are noise here.
    logging.getLogger("pymodbus").setLevel(logging.CRITICAL)
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--map", required=True, help="JSON file of the units and their values")
    parser.add_argument("--port", type=int, default=0, help="TCP port (0: a free one)")
    asyncio.run(serve(parser.parse_args()))


if __name__ == "__main__":
    main()
