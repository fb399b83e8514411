"""orvex.convert: many files, each converted in a process of its own."""

import shutil

import pytest

import orvex


@pytest.fixture
def inputs(tmp_path, sample, data):
    folder = tmp_path / "in"
    folder.mkdir()
    first = folder / "as1.stp"
    shutil.copyfile(sample, first)
    second = folder / "cube.step"
    shutil.copyfile(data / "step" / "red_cube_blue_cylinder.step", second)
    return [first, second]


def test_two_files_to_glb(inputs, tmp_path):
    heard = []
    out = tmp_path / "out"
    report = orvex.convert(inputs, format="glb", out=out, jobs=2,
                           progress=lambda done, failed, total: heard.append((done, failed, total)))
    assert report.ok and report.failed == 0
    assert [f.input for f in report.files] == [str(p) for p in inputs]
    for converted, source in zip(report.files, inputs):
        assert converted.ok and converted.reason == ""
        written = out / (source.stem + ".glb")
        assert converted.output == str(written)
        assert converted.bytes == written.stat().st_size > 0
        assert converted.seconds > 0
        assert len(orvex.read(written).instances()) == len(orvex.read(source).instances())
    assert heard[-1] == (2, 0, 2)
    as_json = report.to_json()
    assert [f["status"] for f in as_json["files"]] == ["ok", "ok"]


def test_a_file_that_fails_is_reported_and_the_others_convert(inputs, tmp_path):
    missing = tmp_path / "in" / "missing.stp"
    report = orvex.convert([inputs[0], missing], format="step", out=tmp_path / "out",
                           verify=True)
    assert not report.ok and report.failed == 1
    good, bad = report.files
    assert good.ok and good.verified is True
    assert not bad.ok and "missing.stp" in bad.reason and bad.bytes == 0


def test_a_shard_converts_its_share(inputs, tmp_path):
    report = orvex.convert(inputs, format="glb", out=tmp_path / "out", shard="2/2")
    assert report.shard == "2/2"
    assert len(report.files) == 1


def test_nothing_to_start_raises(inputs, tmp_path):
    with pytest.raises(orvex.Error):
        orvex.convert([], format="glb", out=tmp_path / "out")
    with pytest.raises(orvex.Error, match="xyz"):
        orvex.convert(inputs, format="xyz", out=tmp_path / "out")
    with pytest.raises(orvex.Error):
        orvex.convert(inputs, format="glb", out=tmp_path / "out", shard="3/2")
