"""Model.write, orvex.compare and orvex.check: round trips read back equal, changes are found."""

import json

import numpy
import pytest

import orvex


@pytest.fixture(scope="module")
def model(sample):
    return orvex.read(sample)


class TestWrite:
    def test_step_written_reads_back_equal(self, model, sample, tmp_path):
        copy = tmp_path / "copy.stp"
        report = model.write(copy)
        assert report.ok and report.path == str(copy)
        assert report.bytes == copy.stat().st_size > 0
        assert report.to_json()["bytes"] == report.bytes
        for a, b in [(model, copy), (sample, copy), (copy, model)]:
            compared = orvex.compare(a, b)
            assert compared.equal, compared.summary
            assert compared.differences == []
            assert "placements" in compared.compared

    def test_verify_reads_the_file_back(self, model, tmp_path):
        report = model.write(tmp_path / "verified.glb", verify=True)
        assert report.verified is True and report.ok
        assert report.summary.startswith("as1-assembly.stp vs verified.glb: equal")
        unverified = model.write(tmp_path / "plain.glb")
        assert unverified.verified is None

    def test_options_reach_the_writer(self, model, tmp_path):
        turned = tmp_path / "turned.stp"
        model.write(turned, from_up="y-up", up="z-up")
        # A y-up world written z-up: a quarter turn about x.
        turn = numpy.array([[1, 0, 0, 0], [0, 0, -1, 0], [0, 1, 0, 0], [0, 0, 0, 1]])
        placed = {i.path: i.matrix for i in orvex.read(turned).instances()}
        for instance in model.instances():
            assert numpy.allclose(placed[instance.path], turn @ instance.matrix, atol=1e-6)
        compared = orvex.compare(model, turned)
        moved = {d.path for d in compared.differences if d.topic == "placement"}
        assert "product name/plate" in moved and "product name/rod-assembly/rod" in moved

        plate = tmp_path / "plate.stp"
        model.write(plate, select="plate")
        alone = orvex.read(plate)
        assert [p.name for p in alone.parts] == ["plate"]

        inches = tmp_path / "inches.stp"
        model.write(inches, unit="in")
        assert "INCH" in inches.read_text(errors="replace").upper()
        assert orvex.compare(model, inches).equal

    def test_a_write_that_fails_raises_naming_the_file(self, model, tmp_path):
        for path, options, text in [
            (tmp_path / "model.xyz", {}, f"cannot write '{tmp_path / 'model.xyz'}': "),
            (tmp_path / "model.stp", {"unit": "furlong"}, "furlong"),
            (tmp_path / "model.stp", {"select": "no such part"}, "no such part"),
            (tmp_path / "no" / "folder" / "model.stp", {}, "model.stp"),
        ]:
            with pytest.raises(orvex.WriteError, match=text) as raised:
                model.write(path, **options)
            assert raised.value.path == str(path)
            assert not path.exists()



class TestCompare:
    def test_another_file_differs_with_a_path_and_a_topic(self, sample, data):
        other = data / "step" / "red_cube_blue_cylinder.step"
        report = orvex.compare(sample, other)
        assert not report.equal
        assert report.first == str(sample) and report.second == str(other)
        assert report.differences and all(d.topic for d in report.differences)
        assert any(d.path for d in report.differences)
        as_json = report.to_json()
        assert as_json["equal"] is False
        assert len(as_json["differences"]) == len(report.differences)
        assert str(report.differences[0]).startswith(report.differences[0].path)

    def test_tolerances_are_passed(self, model, tmp_path):
        glb = tmp_path / "model.glb"
        model.write(glb)
        loose = orvex.compare(model, glb, property_tolerance=1e-2)
        tight = orvex.compare(model, glb, property_tolerance=1e-9)
        # Meshing is not a difference however tight the tolerance: the report states its rule.
        assert loose.equal and tight.equal
        assert loose.to_json()["propertyTolerance"] == pytest.approx(1e-2)
        assert tight.to_json()["propertyTolerance"] == pytest.approx(1e-9)
        assert tight.to_json()["meshTolerance"]["relativeDeflection"] == pytest.approx(1e-3)
        assert "0.1 %" in tight.mesh_tolerance and tight.mesh_deflection == 0.0
        given = orvex.compare(model, glb, deflection=0.5)
        assert "0.5 mm" in given.mesh_tolerance and given.mesh_deflection == 0.5
        assert orvex.compare(model, model).mesh_tolerance == ""
        # A mesh keeps no tree: what it cannot hold is left out, with why.
        assert "tree" in [topic for topic, why in loose.left_out]
        assert all(why for topic, why in loose.left_out)

    def test_an_unreadable_side_raises_read_error_naming_it(self, sample, tmp_path):
        missing = tmp_path / "missing.stp"
        for a, b in [(sample, missing), (missing, sample)]:
            with pytest.raises(orvex.ReadError, match="missing.stp"):
                orvex.compare(a, b)
        with pytest.raises(TypeError, match="b must be an orvex.Model or a path"):
            orvex.compare(sample, 3.5)


class TestCheck:
    def test_declared_values_agree_with_the_geometry(self, model, sample, run_program):
        report = orvex.check(model)
        assert report.agrees and report.differences == 0
        program = run_program("check", "--json", sample)
        assert program.pop("file") == report.file == str(sample)
        assert report.to_json() == program
        declaring = [p for p in report.products if p.volume.declared is not None]
        assert declaring
        for product in declaring:
            assert product.volume.verdict == "ok"
            assert product.volume.computed == pytest.approx(product.volume.declared, rel=0.01)
        centroids = [p.centroid for p in report.products if p.centroid.declared is not None]
        for centroid in centroids:
            assert len(centroid.declared) == 3 and len(centroid.computed) == 3

    def test_a_path_is_read_first(self, sample, tmp_path):
        assert orvex.check(sample).to_json() == orvex.check(orvex.read(sample)).to_json()
        with pytest.raises(orvex.ReadError):
            orvex.check(tmp_path / "missing.stp")


class TestSplit:
    def test_each_child_is_written_with_its_placements(self, model, tmp_path):
        report = orvex.split(model, tmp_path / "parts")
        names = sorted(child.name for child in report.children)
        assert names == sorted(c for c in set(model.assemblies[0].components))
        for child in report.children:
            written = orvex.read(child.file)
            assert written.parts
            assert child.placements.shape[1:] == (4, 4)
            assert numpy.array_equal(child.placements[:, 3], [[0, 0, 0, 1]] * len(child.placements))
        manifest = json.loads((tmp_path / "parts" / "manifest.json").read_text())
        assert manifest

    def test_an_unknown_assembly_raises(self, model, tmp_path):
        with pytest.raises(orvex.Error):
            orvex.split(model, tmp_path / "parts", assembly="no such assembly")
