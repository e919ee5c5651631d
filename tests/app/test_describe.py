"""qrvl_sim --describe against the simulator's own behaviour: every option it lists is read with the
built-in value it states, every rule it states is enforced with the status and words it states,
its bounds are accepted, and its columns are the summary line's."""

import json
import subprocess
import unittest

from simulator import SIM

BASE = ["seed=1", "debug=1", "runs=300"]


def sim(*words):
    return subprocess.run([SIM, *words], capture_output=True, text=True, timeout=60)


def breaking(option, rule):
    """A value that breaks the rule, as text (a list gets it as its one element)."""
    if "not" in rule:
        return str(rule["not"])
    if rule.get("finite"):
        return "nan"
    step = 1 if rule.get("integer") else 0.5
    return repr(rule["min"] - step) if "min" in rule else repr(rule["max"] + step)


class Describe(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        described = sim("--describe")
        assert described.returncode == 0, described.stderr
        cls.description = json.loads(described.stdout)
        cls.options = {o["word"]: o for o in cls.description["options"]}
        cls.plain = sim(*BASE).stdout

    def test_version_and_columns_are_the_programs(self):
        self.assertEqual(self.description["version"], sim("--version").stdout.rstrip("\n"))
        header = self.plain.splitlines()[0].split(", ")
        self.assertEqual(self.description["columns"], header[:38])

    def test_every_option_is_read_with_its_builtin_value(self):
        for word, option in self.options.items():
            value = option["builtin"]
            if value is None or isinstance(value, dict):
                continue
            with self.subTest(word):
                if isinstance(value, float) and value.is_integer() and option["kind"] != "real":
                    value = int(value)
                text = ",".join([str(value)] * 3) if option["kind"] == "list" else str(value)
                run = sim(*BASE, "%s=%s" % (word, text))
                self.assertEqual((run.returncode, run.stdout), (0, self.plain), run.stderr)

    def test_every_rule_is_enforced_with_its_status_and_words(self):
        for word, option in self.options.items():
            for rule in option["rules"]:
                value = breaking(option, rule)
                flags = ["%s=1" % flag for flag in rule.get("when", {})]
                with self.subTest(word=word, rule=rule["message"], value=value):
                    run = sim("%s=%s" % (word, value), *flags, *BASE)
                    self.assertEqual(run.returncode, rule["status"], run.stderr)
                    subject = "value 1" if option["kind"] == "list" else "the value"
                    if rule["status"] == 1 and "not" not in rule:
                        self.assertEqual(run.stderr, "Error: %s=%s is invalid: %s %s.\n"
                                         % (word, value, subject, rule["message"]))

    def test_bounds_are_accepted_and_builtins_that_are_not_constants_say_so(self):
        self.assertEqual(self.options["seed"]["builtin"], {"special": "clock"})
        self.assertEqual(self.options["progress"]["builtin"], {"special": "terminal"})
        for word, option in self.options.items():
            if option["kind"] in ("integer", "flag"):
                self.assertTrue({"min", "max"} <= set(option), word)
            for bound in ("min", "max"):
                if bound in option and option["kind"] != "list":
                    with self.subTest(word=word, bound=bound):
                        # The word comes first, so that it wins over the dump that ends the
                        # run before its first session.
                        given = "%s=%r" % (word, option[bound])
                        run = sim(given, "debug=3", "runs=3", "seed=1")
                        self.assertNotIn(given + " is invalid", run.stderr)
                        self.assertNotIn("See %s -h" % SIM, run.stderr)
