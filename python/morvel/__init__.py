"""Relight render passes with the Morvel effect module from Python.

The same Morvel module that morvel-render loads is driven through minihost,
exactly as the compositing host drives it. Errors raise ValueError with the
messages morvel-render prints.

    import morvel
    scene = morvel.load_scene("shot.json")
    frame = morvel.render_scene(scene, 12)                # H x W x 4 float32
    relit = morvel.render({"input": beauty, "Normal Map": normals},
                          params={"Source Blend": 25},
                          lights=[{"type": "point", "position": [100, 80, -500]}],
                          depth=16)                       # H x W x 4 uint16
"""

import json
import os
import warnings

from . import _morvel

__all__ = ["Scene", "load_scene", "params", "read_image", "render", "render_scene", "module_path"]

Scene = _morvel.Scene

_BACKENDS = ("auto", "cpu", "opencl", "cuda")


def module_path():
    """The Morvel module used: $MORVEL_MODULE, else the one installed beside this
    package, else the one of the build tree this package was built in."""
    env = os.environ.get("MORVEL_MODULE")
    if env:
        if not os.path.isfile(env):
            raise ValueError(f"{env}: no such module file ($MORVEL_MODULE)")
        return env
    beside = os.path.join(os.path.dirname(os.path.abspath(__file__)), "Morvel.aex")
    if os.path.isfile(beside):
        return beside
    if _morvel.DEFAULT_MODULE and os.path.isfile(_morvel.DEFAULT_MODULE):
        return _morvel.DEFAULT_MODULE
    raise ValueError(f"no Morvel.aex found (set $MORVEL_MODULE); looked in:\n  {beside}\n  {_morvel.DEFAULT_MODULE}")


def _check_backend(backend):
    if backend not in _BACKENDS:
        raise ValueError(f"backend {backend!r}: expected auto, cpu, opencl or cuda")
    if backend in ("opencl", "cuda"):
        raise ValueError(
            f"backend {backend!r}: not available in this build (the GPU frame flows are not wired into "
            "morvel-render yet); use backend='cpu' or 'auto'")


def _json(value):
    # NumPy scalars and arrays as plain numbers and lists.
    if hasattr(value, "tolist"):
        return value.tolist()
    raise TypeError(f"{type(value).__name__} is not a number, true/false or a list")


def _dumps(obj, where):
    try:
        return json.dumps(obj, default=_json, allow_nan=False)
    except (TypeError, ValueError) as e:
        raise ValueError(f"{where}: {e}") from None


def params():
    """The parameters the module registers, in index order: a list of dicts with
    index, group, name, kind, default and range (what --list-params prints)."""
    return _morvel.params(module_path())


def render(layers, params=None, lights=None, depth=32, backend="auto", frame=0, fps=24.0):
    """Relight one frame from arrays.

    layers: {"input" or a layer parameter's UI name: H x W x 4 (or 3) array};
        float32 holds values as stored (0..1 for colour), uint8 and uint16 read
        as 0..1 like 8- and 16-bit files. One of "input" and "Diffuse Albedo"
        fixes the frame size.
    params: {UI name: value} as in a scene file's "params" (keyframes allowed).
    lights: a list of light objects as in a scene file's "lights".
    depth: 8, 16 or 32; the result is H x W x 4 uint8 (0..255), uint16
        (0..65535) or float32.
    frame, fps: the time keyframes and light in/out times are evaluated at.
    """
    _check_backend(backend)
    if not isinstance(layers, dict):
        raise ValueError(f"render(): layers: expected a dict of layer name to array, got {type(layers).__name__}")
    settings = _dumps({"fps": fps, "params": params or {}, "lights": lights or []}, "render()")
    return _morvel.render(settings, "render()", layers, int(depth), int(frame), module_path())


def load_scene(path, colorconfig=None):
    """Read a scene file and its layer images (converted to the working colour
    space where the scene names colour spaces; colorconfig as --colorconfig)."""
    scene = _morvel.load_scene(os.fspath(path), colorconfig or "")
    for message in scene.warnings:
        warnings.warn(message, stacklevel=2)
    return scene


def render_scene(scene, frame=0, depth=None, backend="auto", params=None):
    """Render one frame of a loaded scene as morvel-render would write it:
    depth defaults to the scene's, else 32; params override the scene's values
    (as --set does)."""
    _check_backend(backend)
    if not isinstance(scene, Scene):
        raise ValueError(f"render_scene(): expected a scene from load_scene(), got {type(scene).__name__}")
    if depth is None:
        depth = scene.depth or 32
    overrides = _dumps({"params": params or {}}, "render_scene()")
    return _morvel.render_scene(scene, int(frame), int(depth), overrides, module_path())


def read_image(path):
    """An image file as morvel-render reads a layer: H x W x 4 float32, integer
    files as 0..1; "file.exr#name" picks a layer or part."""
    return _morvel.read_image(os.fspath(path))
