"""qrvl_sim --describe against the simulator's own behaviour: every option it lists is read with the
built-in value it states, every range rule it states is enforced, and its columns are the summary
line's."""

import json, subprocess, unittest

from simulator import SIM

BASE = ["seed=1", "debug=1", "runs=300"]


def sim(*words):
    return subprocess.run([SIM, *words], capture_output=True, text=True, timeout=60)


# A value that breaks each rule, with the status of its refusal.
BREAKING = {"not zero": ("0", 1), "not negative": ("-1", 1), "in [0, 1]": ("1.5", 1),
            "finite": ("nan", 1), "positive finite power": ("-5000", 1),
            "0 to 4294967295": ("4294967296", 1), "at least 1": ("0", 3),
            "at least 1 when adaptive is on": ("0", 1)}


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
            if option["builtin"] is None or isinstance(option["builtin"], dict):
                continue
            with self.subTest(word):
                value = option["builtin"]
                if isinstance(value, float) and value.is_integer() and option["kind"] != "real":
                    value = int(value)
                text = ",".join([str(value)] * 3) if option["kind"] == "list" else str(value)
                run = sim(*BASE, "%s=%s" % (word, text))
                self.assertEqual((run.returncode, run.stdout), (0, self.plain), run.stderr)

    def test_every_rule_is_enforced_and_its_bounds_accepted(self):
        for word, option in self.options.items():
            for rule in option["rules"]:
                value, status = BREAKING[rule]
                extra = ["adaptive=1"] if rule.endswith("adaptive is on") else []
                with self.subTest(word=word, rule=rule):
                    run = sim("%s=%s" % (word, value), *extra, *BASE)
                    self.assertEqual(run.returncode, status, run.stderr)
                    if status == 1 and rule != "not zero":
                        self.assertTrue(run.stderr.startswith("Error: %s=%s is invalid: " %
                                                              (word, value)), run.stderr)
            for bound in ("min", "max"):
                if bound in option and option["kind"] != "list":
                    with self.subTest(word=word, bound=bound):
                        # The word comes first, so that it wins over the dump that ends the
                        # run before its first session.
                        given = "%s=%d" % (word, option[bound])
                        run = sim(given, "debug=3", "runs=3", "seed=1")
                        self.assertNotIn(given + " is invalid", run.stderr)
                        self.assertNotIn("See %s -h" % SIM, run.stderr)

    def test_special_builtins_and_integer_bounds(self):
        self.assertEqual(self.options["seed"]["builtin"], {"special": "clock"})
        self.assertEqual(self.options["progress"]["builtin"], {"special": "terminal"})
        for option in self.options.values():
            if option["kind"] == "integer":
                self.assertTrue({"min", "max"} <= set(option), option["word"])
