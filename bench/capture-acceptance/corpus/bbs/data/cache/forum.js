/* forum.js (subset) */
function fastpostvalidate(theform) { return false; }
function switchAdvanceMode(url) { return true; }
function showForummenu(fid) {}
