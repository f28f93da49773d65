"""The Python module against morvel-render: the same scene gives the same
pixels through either, arrays give what files give, errors carry the tool's
messages, and rendering lets other Python threads run."""

import json
import os
import shutil
import subprocess
import threading
import time

import numpy as np
import pytest

import morvel

HERE = os.path.dirname(os.path.abspath(__file__))
SHOT = os.path.join(HERE, "..", "..", "tests", "data", "shot", "shot.json")
TOOL = os.environ["MORVEL_RENDER"]


def tool(*args, cwd=None):
    return subprocess.run([TOOL, *args], capture_output=True, text=True, cwd=cwd)


@pytest.fixture(scope="module")
def scene():
    return morvel.load_scene(SHOT)


@pytest.mark.parametrize("depth,ext", [(32, "exr"), (16, "png"), (8, "png")])
def test_render_scene_equals_the_tool(scene, tmp_path, depth, ext):
    out = tmp_path / f"frame.{ext}"
    run = tool(SHOT, "-q", "--frames", "2", "--depth", str(depth), "-o", str(out))
    assert run.returncode == 0, run.stderr
    written = morvel.read_image(out)
    frame = morvel.render_scene(scene, 2, depth=depth)
    assert frame.shape == (36, 64, 4)
    assert frame.dtype == {8: np.uint8, 16: np.uint16, 32: np.float32}[depth]
    white = {8: 255, 16: 65535, 32: 1}[depth]
    expected = written if depth == 32 else np.round(written * white)
    np.testing.assert_array_equal(frame.astype(np.float32), expected.astype(np.float32))
    assert frame[..., :3].max() > 0


def test_overrides_act_as_set(scene, tmp_path):
    out = tmp_path / "rim.exr"
    run = tool(SHOT, "-q", "--frames", "1", "--set", "Rim Light/Amount=150", "--set", "Enable IBL=false", "-o", str(out))
    assert run.returncode == 0, run.stderr
    frame = morvel.render_scene(scene, 1, params={"Rim Light/Amount": 150, "Enable IBL": False})
    np.testing.assert_array_equal(frame, morvel.read_image(out))
    assert not np.array_equal(frame, morvel.render_scene(scene, 1))


def test_render_from_arrays_equals_the_scene_file(tmp_path):
    # The shot without colour spaces, so the arrays are the layers exactly as stored.
    with open(SHOT) as f:
        shot = json.load(f)
    folder = os.path.dirname(SHOT)
    layers = {}
    for name, entry in shot["layers"].items():
        file = entry["file"] if isinstance(entry, dict) else entry
        layers[name] = morvel.read_image(os.path.join(folder, file))
        shot["layers"][name] = os.path.join(folder, file)
    plain = tmp_path / "plain.json"
    plain.write_text(json.dumps(shot))
    for depth in (8, 32):
        out = tmp_path / f"plain{depth}.{'exr' if depth == 32 else 'png'}"
        run = tool(str(plain), "-q", "--frames", "3", "--depth", str(depth), "-o", str(out))
        assert run.returncode == 0, run.stderr
        frame = morvel.render(layers, params=shot["params"], lights=shot["lights"], depth=depth, frame=3, fps=24)
        written = morvel.read_image(out)
        expected = written if depth == 32 else np.round(written * 255)
        np.testing.assert_array_equal(frame.astype(np.float32), expected.astype(np.float32))

    # uint8 and uint16 arrays read as 8- and 16-bit files do.
    albedo = layers["Diffuse Albedo"]
    as8 = np.round(np.clip(albedo, 0, 1) * 255).astype(np.uint8)
    base = {"Diffuse Albedo": as8[..., :3]}
    a = morvel.render(base, depth=8, lights=[{"type": "ambient", "intensity": 100}])
    b = morvel.render({"Diffuse Albedo": as8.astype(np.float32) / 255}, depth=8,
                      lights=[{"type": "ambient", "intensity": 100}])
    np.testing.assert_array_equal(a, b)
    as16 = (as8.astype(np.uint16) * 257)
    c = morvel.render({"Diffuse Albedo": as16}, depth=8, lights=[{"type": "ambient", "intensity": 100}])
    np.testing.assert_array_equal(a, c)


def test_errors_raise_value_error_with_the_tools_message(tmp_path):
    bad = tmp_path / "bad.json"
    bad.write_text('{"layers": {"input": {"file": "x.png", "colorspace": "sRBG"}}}')
    run = tool(str(bad), "-q", "-o", str(tmp_path / "x.exr"))
    assert run.returncode == 2
    with pytest.raises(ValueError) as error:
        morvel.load_scene(bad)
    assert run.stderr.strip() == "morvel-render: " + str(error.value)
    assert 'unknown colour space "sRBG"' in str(error.value)

    layer = np.zeros((4, 4, 4), np.float32)
    cases = [
        (lambda: morvel.render({"input": layer}, params={"Source Blend": 101}),
         'render(): params.Source Blend: value 101 is out of range'),
        (lambda: morvel.render({"input": layer}, lights=[{"type": "area"}]), 'render(): lights[0].type: unknown light type'),
        (lambda: morvel.render({"Normal Map": layer}), 'expected an "input" or "Diffuse Albedo" layer'),
        (lambda: morvel.render({"input": np.zeros((4, 4), np.float32)}), "render(): layers.input: expected an H x W x 4"),
        (lambda: morvel.render({"input": layer.astype(np.int64)}), "got int64 array of 4 x 4 x 4"),
        (lambda: morvel.render({"input": layer}, depth=12), "depth 12: expected 8, 16 or 32"),
        (lambda: morvel.render({"input": layer}, backend="opencl"), "not available in this build"),
        (lambda: morvel.render({"input": layer}, backend="metal"), "expected auto, cpu, opencl or cuda"),
        (lambda: morvel.render({"input": layer}, frame=-1), "frame -1: frames go from 0"),
        (lambda: morvel.render({"input": layer}, params={"Source Blend": float("nan")}), "render():"),
        (lambda: morvel.render_scene("shot.json"), "expected a scene from load_scene()"),
        (lambda: morvel.load_scene(tmp_path / "absent.json"), "absent.json: cannot open the scene file (no such file)"),
    ]
    for call, part in cases:
        with pytest.raises(ValueError) as error:
            call()
        assert part in str(error.value)


def test_params_list_what_the_tool_lists():
    listed = tool("--list-params").stdout
    names = [p["name"] for p in morvel.params()]
    assert "Source Blend" in names and "HDRI" in names
    for p in morvel.params():
        assert p["name"] in listed
    blend = next(p for p in morvel.params() if p["name"] == "Source Blend")
    assert blend["range"] == "0 to 100" and blend["kind"] == "float slider"


def test_data_layer_with_a_colour_space_warns(tmp_path):
    folder = os.path.dirname(SHOT)
    scene = tmp_path / "data.json"
    scene.write_text(json.dumps({"layers": {"input": os.path.join(folder, "albedo.png"),
                                            "Roughness": {"file": os.path.join(folder, "roughness.exr"),
                                                          "colorspace": "sRGB"}}}))
    with pytest.warns(UserWarning, match="Roughness holds data"):
        morvel.load_scene(scene)


def test_rendering_releases_the_gil():
    rng = np.random.default_rng(1)
    size = (720, 1280)
    layers = {"input": rng.random((*size, 4), dtype=np.float32),
              "Normal Map": rng.random((*size, 4), dtype=np.float32) * 2 - 1}
    lights = [{"type": "point", "position": [i * 80, 300, -400]} for i in range(16)]
    morvel.render(layers, lights=lights)  # set up the module before timing
    done = threading.Event()
    worker = threading.Thread(target=lambda: (morvel.render(layers, lights=lights), done.set()))
    ticks = 0
    worker.start()
    # This thread can only run Python while the renderer has let go of the GIL.
    while not done.is_set():
        ticks += 1
        time.sleep(0.001)
    worker.join()
    assert ticks >= 5
