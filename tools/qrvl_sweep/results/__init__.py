"""What a study's runs gave: their records (finished.tsv), their summary lines, the columns of
every gathered table, the estimates over replications, paired differences, rankings, precision
criteria and the SQLite store."""
