"""The plays' results as one JSON document once they end, in the shape fleet_test.py reads: ansible-core carries
no JSON stdout callback (the collections that do are not installed)."""
import json

from ansible.plugins.callback import CallbackBase


class CallbackModule(CallbackBase):
    CALLBACK_VERSION = 2.0
    CALLBACK_TYPE = "stdout"
    CALLBACK_NAME = "fleet_json"

    def __init__(self):
        super().__init__()
        self.plays = []

    def v2_playbook_on_play_start(self, play):
        self.plays.append({"tasks": []})

    def v2_playbook_on_task_start(self, task, is_conditional):
        self.plays[-1]["tasks"].append({"task": {"name": task.get_name()}, "hosts": {}})

    def keep(self, result, **more):
        self.plays[-1]["tasks"][-1]["hosts"][result._host.get_name()] = dict(result._result, **more)

    def v2_runner_on_ok(self, result):
        self.keep(result)

    def v2_runner_on_failed(self, result, ignore_errors=False):
        self.keep(result, failed=True, ignore_errors=ignore_errors)

    def v2_runner_on_skipped(self, result):
        self.keep(result, skipped=True)

    def v2_runner_on_unreachable(self, result):
        self.keep(result, unreachable=True)

    def v2_playbook_on_stats(self, stats):
        hosts = {host: stats.summarize(host) for host in stats.processed}
        self._display.display(json.dumps({"plays": self.plays, "stats": hosts}, default=str))
