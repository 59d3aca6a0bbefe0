#!/usr/bin/env python3
"""Holds the files one vistrel-tool wrote in folder A (under Wine) against
those the other wrote in folder B (on Linux), for the Windows run.

usage: same_outputs.py A B

Both folders must hold the same file names. PNG files must decode to the same
pixels (the two builds use different PNG encoders); a .glb must hold the same
JSON but for the byte ranges of its PNG images, the same bytes in every
other buffer view and images with the same pixels; every other file must be
the same bytes. Exit status 0 when all agree, 1 otherwise (each difference
printed).
"""
import json
import os
import struct
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
import tga_png  # noqa: E402


def png_pixels(data):
    with tempfile.NamedTemporaryFile(suffix=".png") as handle:
        handle.write(data)
        handle.flush()
        return tga_png.read_png(handle.name)


def glb_parts(data):
    """(JSON, binary chunk) of a .glb."""
    magic, _version, length = struct.unpack_from("<4sII", data, 0)
    if magic != b"glTF" or length != len(data):
        raise ValueError("not a whole .glb")
    json_length, json_kind = struct.unpack_from("<I4s", data, 12)
    document = json.loads(data[20:20 + json_length])
    at = 20 + json_length
    binary = b""
    if at < len(data):
        bin_length, _bin_kind = struct.unpack_from("<I4s", data, at)
        binary = data[at + 8:at + 8 + bin_length]
    assert json_kind == b"JSON"
    return document, binary


def glb_differences(a, b):
    (doc_a, bin_a), (doc_b, bin_b) = glb_parts(a), glb_parts(b)
    image_views = {image.get("bufferView") for image in doc_b.get("images", [])}
    problems = []
    views_a, views_b = doc_a.get("bufferViews", []), doc_b.get("bufferViews", [])
    if len(views_a) != len(views_b):
        return ["different numbers of buffer views"]
    for index, (view_a, view_b) in enumerate(zip(views_a, views_b)):
        part_a = bin_a[view_a.get("byteOffset", 0):][:view_a["byteLength"]]
        part_b = bin_b[view_b.get("byteOffset", 0):][:view_b["byteLength"]]
        if index in image_views:
            if png_pixels(part_a) != png_pixels(part_b):
                problems.append(f"image of buffer view {index}: pixels differ")
        elif part_a != part_b:
            problems.append(f"buffer view {index}: bytes differ")
        for view in (view_a, view_b):  # where the PNGs' sizes move things
            view.pop("byteOffset", None)
            if index in image_views:
                view.pop("byteLength", None)
    for doc in (doc_a, doc_b):
        for buffer in doc.get("buffers", []):
            buffer.pop("byteLength", None)
    if doc_a != doc_b:
        problems.append("the JSON differs beyond the images' byte ranges")
    return problems


def main():
    folder_a, folder_b = sys.argv[1], sys.argv[2]
    names_a, names_b = sorted(os.listdir(folder_a)), sorted(os.listdir(folder_b))
    if names_a != names_b:
        print(f"same_outputs: files differ: {names_a} against {names_b}")
        return 1
    problems = []
    for name in names_b:
        with open(os.path.join(folder_a, name), "rb") as handle:
            a = handle.read()
        with open(os.path.join(folder_b, name), "rb") as handle:
            b = handle.read()
        if name.endswith(".png"):
            if png_pixels(a) != png_pixels(b):
                problems.append(f"{name}: pixels differ")
        elif name.endswith(".glb"):
            problems += [f"{name}: {p}" for p in glb_differences(a, b)]
        elif a != b:
            problems.append(f"{name}: bytes differ")
    for problem in problems:
        print(f"same_outputs: {problem}")
    print(f"same_outputs: {len(names_b)} files compared, {len(problems)} differences")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
