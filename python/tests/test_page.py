"""orvex.write_page and orvex.write_snapshot: the page holds what the program imports, and each
failure raises the error that names the file it is about and leaves nothing behind."""

import json
import re

import pytest

import orvex


def _embedded(page, name):
    match = re.search(r'id="%s">(.*?)</script>' % name, page, re.S)
    assert match, name
    return json.loads(match.group(1).replace("<\\/", "</"))


def test_the_page_holds_the_imported_tree_and_one_mesh_per_part(sample, imported_sample,
                                                                 tmp_path):
    report = orvex.write_page(sample, tmp_path / "sample.html")
    assert report.output == str(tmp_path / "sample.html")
    assert report.to_json()["ok"] is True
    page = (tmp_path / "sample.html").read_text()
    tree = _embedded(page, "orvex-tree")
    assert tree["summary"] == imported_sample["summary"]
    assert [e["name"] for e in tree["elements"]] == \
        [e["name"] for e in imported_sample["elements"]]
    parts = [e for e in imported_sample["elements"] if e["class"] == "ShapeElement"]
    assert len(_embedded(page, "orvex-model")["meshes"]) == len(parts)


def test_an_unreadable_file_raises_read_error_and_writes_nothing(tmp_path):
    garbage = tmp_path / "garbage.stp"
    garbage.write_text("ISO-10303-21;\nnot a step file\n")
    with pytest.raises(orvex.ReadError) as raised:
        orvex.write_page(garbage, tmp_path / "garbage.html")
    assert raised.value.path == str(garbage)
    assert str(raised.value).startswith(f"cannot read '{garbage}': ")
    assert not (tmp_path / "garbage.html").exists()


def test_an_unwritable_page_or_picture_raises_write_error_and_keeps_the_older_file(
        sample, tmp_path):
    with pytest.raises(orvex.WriteError) as raised:
        orvex.write_page(sample, tmp_path / "no" / "such.html")
    assert raised.value.path == str(tmp_path / "no" / "such.html")
    assert not (tmp_path / "no").exists()

    older = tmp_path / "older.png"
    older.write_bytes(b"an older picture")
    for options in ({"view": "sideways"}, {"width": 4}):
        with pytest.raises(orvex.WriteError, match="cannot write"):
            orvex.write_snapshot(sample, older, **options)
    assert older.read_bytes() == b"an older picture"
