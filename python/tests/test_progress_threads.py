"""Progress callables, cancelling, and the GIL released while the library works."""

import os
import signal
import subprocess
import sys
import textwrap
import threading
import time

import pytest

import orvex


class TestProgress:
    def test_steps_are_named_and_fractions_run_from_0_to_1(self, sample):
        calls = []
        orvex.read(sample, progress=lambda step, fraction: calls.append((step, fraction)))
        assert calls
        assert all(isinstance(step, str) and step for step, _ in calls)
        assert all(0.0 <= fraction <= 1.0 for _, fraction in calls)
        assert calls[-1][1] == pytest.approx(1.0)
        # None and anything true go on.
        assert orvex.read(sample, progress=lambda s, f: 1).instances()

    def test_returning_false_cancels_with_read_error(self, sample):
        calls = []

        def stop_halfway(step, fraction):
            calls.append(fraction)
            return fraction < 0.5

        with pytest.raises(orvex.ReadError) as raised:
            orvex.read(sample, progress=stop_halfway)
        assert raised.value.kind == "cancelled"
        assert str(raised.value) == f"cannot read '{sample}': cancelled"
        assert max(calls) < 1.0

    def test_what_the_callable_raises_is_raised(self, sample):
        class Stop(Exception):
            pass

        def fail(step, fraction):
            raise Stop(step)

        with pytest.raises(Stop):
            orvex.read(sample, progress=fail)
        # The exception left nothing behind: the next read works.
        assert len(orvex.read(sample).instances()) == 18

    def test_each_read_hears_only_its_own_progress(self, sample, data):
        files = [sample, data / "step" / "trj2_as1-pe-203.stp"]
        heard = {i: set() for i in range(len(files))}
        errors = []

        def read(i):
            try:
                orvex.read(files[i], progress=lambda s, f: heard[i].add(threading.get_ident()))
            except Exception as error:  # reported below, not lost in the thread
                errors.append(error)

        threads = [threading.Thread(target=read, args=(i,)) for i in range(len(files))]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        assert not errors
        assert [heard[i] for i in heard] == [{threads[i].ident} for i in heard]

    def test_ctrl_c_stops_a_long_read(self, corpus):
        # Ctrl-C arrives while the read runs (here from its first report of progress); the
        # read stops at its next step instead of running to the end.
        path = corpus / "step" / "demo.step"
        whole = []
        orvex.read(path, progress=lambda step, fraction: whole.append(fraction))
        heard = []

        def progress(step, fraction):
            heard.append(fraction)
            if len(heard) == 1:
                os.kill(os.getpid(), signal.SIGINT)

        with pytest.raises(KeyboardInterrupt):
            orvex.read(path, progress=progress)
        assert len(heard) < len(whole)


def blocked_seconds(work):
    """Runs work() in a thread while this one counts; how long this thread was held up (in
    stalls over 20 ms) and how long the work took."""
    finished = threading.Event()
    took = []

    def run():
        start = time.perf_counter()
        work()
        took.append(time.perf_counter() - start)
        finished.set()

    thread = threading.Thread(target=run)
    ticks = [time.perf_counter()]
    thread.start()
    while not finished.is_set():
        ticks.append(time.perf_counter())
    thread.join()
    stalls = [b - a for a, b in zip(ticks, ticks[1:]) if b - a > 0.02]
    return sum(stalls), took[0]


@pytest.mark.parametrize("call", ["read", "mesh", "write", "compare"])
def test_other_threads_run_while_the_library_works(call, sample, tmp_path):
    model = orvex.read(sample)
    work = {
        "read": lambda: [orvex.read(sample) for _ in range(3)],
        "mesh": lambda: [part.mesh(deflection=0.002, angle=0.05) for part in model.parts],
        "write": lambda: [model.write(tmp_path / "copy.stp") for _ in range(2)],
        "compare": lambda: orvex.compare(model, model),
    }[call]
    blocked, took = blocked_seconds(work)
    assert took > 0.1, "too short to tell"
    assert blocked < took / 2


def test_a_model_freed_while_another_thread_reads_waits_for_nothing(sample):
    # A read holds the kernel's translator lock while its progress waits for the GIL; freeing
    # a model closes its document under the same lock. Run apart, so that a deadlock fails the
    # test instead of hanging the suite.
    script = textwrap.dedent(f"""
        import threading, time, orvex
        old = orvex.read({str(sample)!r})
        reading = threading.Event()
        def progress(step, fraction):
            reading.set()
            time.sleep(0.002)
        thread = threading.Thread(target=orvex.read, args=({str(sample)!r},),
                                  kwargs={{"progress": progress}})
        thread.start()
        reading.wait()
        del old
        thread.join()
    """)
    subprocess.run([sys.executable, "-c", script], check=True, timeout=60)
