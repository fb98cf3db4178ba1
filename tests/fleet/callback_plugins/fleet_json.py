# The play's results as one JSON document on standard output, for the fleet
# test to read: each task's result per host, and each host's counts. Ansible's
# own "json" callback lives in a collection that ansible-core does not carry.
import json

from ansible.plugins.callback import CallbackBase

DOCUMENTATION = """
name: fleet_json
type: stdout
short_description: the fleet test's JSON results
description: Each task's result per host and the play's stats, as one JSON document.
"""


class CallbackModule(CallbackBase):
    CALLBACK_VERSION = 2.0
    CALLBACK_TYPE = "stdout"
    CALLBACK_NAME = "fleet_json"

    def __init__(self):
        super().__init__()
        self.plays = []

    def v2_playbook_on_play_start(self, play):
        self.plays.append({"play": {"name": play.get_name()}, "tasks": []})

    def _task(self, task):
        tasks = self.plays[-1]["tasks"]
        if not tasks or tasks[-1]["task"]["id"] != task._uuid:
            tasks.append({"task": {"name": task.get_name(), "id": task._uuid}, "hosts": {}})
        return tasks[-1]

    def v2_playbook_on_task_start(self, task, is_conditional):
        self._task(task)

    def v2_playbook_on_handler_task_start(self, task):
        self._task(task)

    def _record(self, result, **extra):
        self._task(result._task)["hosts"][result._host.get_name()] = dict(result._result, **extra)

    def v2_runner_on_ok(self, result, **kwargs):
        self._record(result)

    def v2_runner_on_failed(self, result, ignore_errors=False):
        self._record(result, failed=True, ignore_errors=ignore_errors)

    def v2_runner_on_unreachable(self, result):
        self._record(result, unreachable=True)

    def v2_runner_on_skipped(self, result):
        self._record(result, skipped=True)

    def v2_playbook_on_stats(self, stats):
        hosts = {h: stats.summarize(h) for h in sorted(stats.processed)}
        print(json.dumps({"plays": self.plays, "stats": hosts}, default=str, sort_keys=True))
