"""Checking option values against --describe: what is accepted, in which canonical form, and
what is refused with which message."""

import pytest

from qrvl_sweep.errors import StudyError
from qrvl_sweep.values import atof_reading, atol_reading, canonical

ACCEPTED = [
    ("runs", "100000", "100000"),
    ("runs", "+02000", "2000"),
    ("nn", " 7 ", "7"),
    ("B", "2147483647", "2147483647"),
    ("type", "-2147483648", "-2147483648"),
    ("ns", "0", "0"),
    ("fsf_prob", "0.20", "0.2"),
    ("fsf_prob", "1", "1"),
    ("fsf_prob", "0", "0"),
    ("sifs", "1.6e-05", "1.6e-05"),
    ("ts", "8E-6", "8e-06"),
    ("difs", "-0.0", "0"),
    ("jumpstart", "1e5", "100000"),
    ("jumpstart", ".5", "0.5"),
    ("rssi_avg", "-62", "-62"),
    ("rssi_min", "-3000", "-3000"),
    ("fsf_type", "BINOM", "binom"),
    ("fsf_fbk", "Hamm74", "hamm74"),
    ("pdf_slots", "1", "1"),
    ("fast", "00", "0"),
    ("pt", "0.5, 0.40,1e-1", "0.5,0.4,0.1"),
    ("tau", "0,1", "0,1"),
    ("ad_runs", "500:2,1000:20", "500:2,1000:20"),
    ("debug", "-1", "-1"),
]


@pytest.mark.parametrize("word,text,expected", ACCEPTED)
def test_accepted_values_in_canonical_form(simulator, word, text, expected):
    assert canonical(simulator.options[word], text, "--fix") == expected


REFUSED = [
    ("runs", "1e5", "would run 1 session; write 100000"),
    ("runs", "2.0", "would run 2 sessions; write 2"),
    ("nn", "2.5", "would read it as 2 and would run with nn=2; write a whole decimal number"),
    ("debug", "3x", "would read it as 3"),
    ("nn", "", "would read it as 0"),
    ("nn", "0", "nn=0: must not be zero"),
    ("nn", "-3", "must not be negative"),
    ("repeat", "0", "must be at least 1"),
    ("B", "2147483648", "must be an integer from -2147483648 to 2147483647"),
    ("nn", "9" * 5000, "must be an integer from"),
    ("nn", "9" * 5000 + "x", "not a whole decimal number"),
    ("type", "2147483648", "must be an integer from"),
    ("type", "-2147483649", "must be an integer from"),
    ("fsf_tau", "1.5", "must lie in [0, 1]"),
    ("ad_memory", "-0.01", "must lie in [0, 1]"),
    ("APP", "-1", "must not be negative"),
    ("fsf_prob", "0.2x", "would read it as 0.2"),
    ("fsf_prob", "0,2", "would read it as 0"),
    ("ts", "1e400", "not a finite number"),
    ("ts", "nan", "not a finite decimal number"),
    ("ts", "inf", "not a finite decimal number"),
    ("ts", "1_0", "would read it as 1"),
    ("ts", "0x10", "would read it as 0"),
    ("rssi_avg", "4000", "must give a positive finite power"),
    ("rssi_thresh", "-4000", "must give a positive finite power"),
    ("fsf_type", "bin", "not one of none, num, binom, geom, rssi"),
    ("pdf_slots", "2", "a flag takes 0 or 1"),
    ("adaptive", "yes", "a flag takes 0 or 1"),
    ("pt", "0.5,,0.5", "an empty element"),
    ("pt", "0.5,x", "would read it as 0"),
    ("tau", "0.5,2", "must lie in [0, 1]"),
    ("ad_runs", "", "empty"),
    ("ad_runs", "1:2\ntouch x", "control character"),
    ("nn", "5\t", "control character"),
]


@pytest.mark.parametrize("word,text,message", REFUSED, ids=lambda v: str(v)[:30])
def test_refused_values_name_option_value_and_expectation(simulator, word, text, message):
    with pytest.raises(StudyError) as caught:
        canonical(simulator.options[word], text, "--fix %s=%s" % (word, text))
    assert caught.value.status == 2
    assert message in str(caught.value)
    assert "%s=" % word in str(caught.value)


@pytest.mark.parametrize("text,integer,real", [
    ("1e5", 1, 100000.0), ("  -7x", -7, -7.0), ("x", 0, 0.0), ("+", 0, 0.0), (".5e", 0, 0.5),
    ("3.9", 3, 3.9), ("-inf", 0, float("-inf")), ("1e", 1, 1.0),
])
def test_c_readings(text, integer, real):
    assert (atol_reading(text), atof_reading(text)) == (integer, real)
