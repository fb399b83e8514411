"""orvex.read: what a model holds, checked against what the program prints for the same file."""

import os
import shutil

import numpy
import pytest

import orvex

from conftest import placed_parts


@pytest.fixture(scope="module")
def model(sample):
    return orvex.read(sample)


class TestParts:
    def test_each_distinct_part_once_with_the_programs_colours(self, model, imported_sample):
        shapes = {e["name"]: e for e in imported_sample["elements"]
                  if e["class"] == "ShapeElement"}
        assert sorted(p.name for p in model.parts) == sorted(shapes)
        for part in model.parts:
            shape = shapes[part.name]
            assert part.color == shape["color"]
            assert part.faces == shape["faces"]

    def test_face_colours_are_those_the_program_lists(self, model, imported_sample):
        shapes = {e["name"]: e for e in imported_sample["elements"]
                  if e["class"] == "ShapeElement"}
        coloured = 0
        for part in model.parts:
            listed = {f["face"]: f["color"] for f in shapes[part.name]["faceColors"] or []}
            # The program leaves out faces in the part's own colour; the model keeps them all.
            for face, color in part.face_colors.items():
                assert 0 <= face < part.faces
                assert listed.get(face, part.color) == color
            assert listed.keys() <= part.face_colors.keys()
            coloured += len(part.face_colors)
        assert coloured > 0, "the sample has coloured faces"


class TestInstances:
    def test_placements_colours_and_parts_are_the_programs(self, model, imported_sample):
        expected = placed_parts(imported_sample)
        instances = model.instances()
        assert len(instances) == len(expected) == 18
        unmatched = list(expected)
        for instance in instances:
            assert instance.matrix.shape == (4, 4) and instance.matrix.dtype == numpy.float64
            match = next((e for e in unmatched if e[0] == instance.part.name
                          and numpy.allclose(e[2], instance.matrix, atol=1e-6)), None)
            assert match is not None, f"{instance.path} is placed nowhere the program places it"
            assert instance.color == match[1]
            unmatched.remove(match)

    def test_paths_are_unique_and_end_in_the_part(self, model):
        paths = [i.path for i in model.instances()]
        assert len(set(paths)) == len(paths)
        for instance in model.instances():
            assert instance.path.split("/")[-1].split(":")[0] == instance.part.name

    def test_an_instance_gives_the_models_own_part_object(self, model):
        parts = model.parts
        for instance in model.instances():
            assert instance.part is parts[instance.part.index]


class TestStructure:
    def test_assemblies_are_the_programs(self, model, imported_sample):
        elements = {e["id"]: e for e in imported_sample["elements"]}
        expected = {e["name"]: sorted(elements[elements[c]["prototype"]]["name"]
                                      for c in e["children"])
                    for e in imported_sample["elements"] if e["class"] == "AssemblyElement"}
        got = {a.name: sorted(a.components) for a in model.assemblies}
        # The root is an assembly of the model, and a group in the program's document.
        assert {name: got[name] for name in expected} == expected

    def test_dimensions_carry_the_programs_values(self, run_program, data):
        path = data / "step-pmi" / "bug32745_pmi1.stp"
        program = sorted(e["value"] for e in run_program("import", "--json", path)["elements"]
                         if e["class"] == "AnnotationElement" and e["value"] is not None)
        dimensions = orvex.read(path).dimensions
        values = sorted(d.value for d in dimensions if d.value is not None)
        assert program and all(any(abs(v - p) < 1e-9 for v in values) for p in program)
        radius = next(d for d in dimensions if d.kind == "radius")
        assert (radius.value, radius.upper, radius.lower) == pytest.approx((25.0, 0.2, -0.2))
        assert radius.targets == ["Block"]

    def test_pmi_is_what_the_program_lists(self, run_program, data):
        path = data / "step-pmi" / "bug32745_pmi1.stp"
        listed = run_program("pmi", "--json", path)
        pmi = orvex.read(path).pmi
        assert len(pmi.dimensions) == len(listed["dimensions"]) == 7
        assert [(d.kind, d.value, d.targets) for d in pmi.dimensions] == [
            (d["kind"], d["value"], d["targets"]) for d in listed["dimensions"]]
        radius = pmi.dimensions[0]
        assert (radius.kind, radius.upper, radius.lower) == ("radius", 0.2, -0.2)
        assert radius.targets == ["Block face 13"]
        assert pmi.tolerances == [] and pmi.datums == []

    def test_materials_and_bodies_are_what_the_program_lists(self, run_program, data):
        path = data / "step-handwritten" / "materials-cube-cylinder.step"
        labels = run_program("xde", "--json", path)["labels"]
        listed = {l["name"]: l["facts"]["material"] for l in labels
                  if l["facts"] and "material" in l["facts"]}
        parts = {p.name: p for p in orvex.read(path).parts}
        assert {n: (p.material.name, p.material.density) for n, p in parts.items()} == {
            n: (m["name"], pytest.approx(m["density"])) for n, m in listed.items()}
        cube = parts["red_cube"]
        assert cube.material.density == pytest.approx(7850.0)
        assert [(b.name, b.kind, len(b.faces)) for b in cube.bodies] == [
            ("red_cube", "solid", cube.faces)]
        assert (cube.id, cube.description) == ("red_cube", "PART-red_cube-DESC")
        number = cube.properties["Part Number"]
        assert (number.value, number.unit) == ("RC-1", None)

    def test_source_is_the_path_read(self, model, sample):
        assert model.source == str(sample)
        assert model.warnings == []


class TestReadErrors:
    def test_a_file_that_cannot_be_read_raises_naming_it(self, tmp_path):
        empty = tmp_path / "empty.stp"
        empty.write_bytes(b"")
        garbage = tmp_path / "garbage.stp"
        garbage.write_bytes(b"ISO-10303-21;\n\x00\x01 this is no STEP file\n")
        missing = tmp_path / "missing.stp"
        for path, kind in [(empty, "empty"), (garbage, "parse error"), (missing, "not found"),
                           (tmp_path, "not a file")]:
            with pytest.raises(orvex.ReadError) as raised:
                orvex.read(path)
            assert str(raised.value).startswith(f"cannot read '{path}': ")
            assert raised.value.path == str(path)
            assert raised.value.kind == kind
            assert raised.value.reason and str(raised.value).endswith(raised.value.reason)
            assert isinstance(raised.value, orvex.Error)

    def test_paths_may_be_str_pathlike_or_bytes(self, tmp_path, sample):
        copy = tmp_path / "copy.stp"
        shutil.copyfile(sample, copy)
        for path in [str(copy), copy, os.fsencode(copy)]:
            assert len(orvex.read(path).instances()) == 18
        with pytest.raises(TypeError):
            orvex.read(42)


class TestTransferJobs:
    def test_workers_read_the_same_model_as_one_process(self, sample, monkeypatch):
        # The sample is small: workers translate it only when told to for any size.
        monkeypatch.setenv("ORVEX_TRANSFER_MIN_FACES", "0")
        alone = orvex.read(sample, transfer_jobs=1)
        shared = orvex.read(sample, transfer_jobs=2)
        report = orvex.compare(alone, shared)
        assert report.equal, report.differences
        assert [i.path for i in alone.instances()] == [i.path for i in shared.instances()]

    def test_jobs_must_be_a_count(self, sample):
        with pytest.raises(TypeError):
            orvex.read(sample, transfer_jobs=-1)
