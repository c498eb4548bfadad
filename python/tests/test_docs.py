"""Every Python block of the README and of docs/python.md runs as written; the README's
scheduler address is replaced by that of a local cluster."""
import re

import pytest

from conftest import SOURCE


def blocks(name):
    return re.findall(r"```python\n(.*?)```", (SOURCE / name).read_text(), re.S)


@pytest.mark.parametrize("name", ["docs/python.md", "README.md"])
def test_the_documentation_examples_run(name, tmp_path, monkeypatch):
    code = blocks(name)
    assert code, name
    monkeypatch.chdir(tmp_path)
    monkeypatch.setenv("MPLBACKEND", "Agg")
    namespace = {}
    cluster = None
    try:
        for block in code:
            if "tcp://scheduler:8786" in block:
                distributed = pytest.importorskip("distributed")
                cluster = distributed.LocalCluster(n_workers=2, processes=True, dashboard_address=None)
                block = block.replace("tcp://scheduler:8786", cluster.scheduler_address)
            exec(compile(block, name, "exec"), namespace)
    finally:
        if "client" in namespace and cluster is not None:
            namespace["client"].close()
        if cluster is not None:
            cluster.close()
