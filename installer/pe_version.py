"""The version of a Windows program or DLL, read from its fixed version block."""
import struct

# The fixed block begins with this signature.
FIXED_VERSION_SIGNATURE = struct.pack("<I", 0xFEEF04BD)


def file_version(path):
    """The file version as "A.B.C.D", or None when the file has no version block."""
    with open(path, "rb") as f:
        data = f.read()
    at = data.find(FIXED_VERSION_SIGNATURE)
    if at < 0:
        return None
    most, least = struct.unpack_from("<II", data, at + 8)
    return f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"
