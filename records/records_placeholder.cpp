// Product line and part records.
