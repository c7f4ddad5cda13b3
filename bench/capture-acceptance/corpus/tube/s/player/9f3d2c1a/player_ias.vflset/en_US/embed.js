/* player embed */ var _yt_player = _yt_player || {};
